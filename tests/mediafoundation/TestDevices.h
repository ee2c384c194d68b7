// Helpers shared by the Media Foundation tests: the leak check over
// the test camera's objects, and the check of a raised error.
#pragma once

#include "TestCamera.h"
#include "TestSink.h"

#include "Common/Exception.h"

#include <gtest/gtest.h>

#include <functional>

namespace MediaFoundationTests
{

// Every test source, stream and activation object gone (the platform's
// reader lets go of them on its own threads), no short buffer left locked.
inline void ExpectNothingAlive()
{
    EXPECT_TRUE(WaitUntil([] { return LiveObjects::objects == 0; })) << LiveObjects::objects << " alive";
    EXPECT_EQ(0, LiveObjects::bufferLocks.load());
}

// Succeeds when `action` raises a Common::Exception with `code` and, unless
// `file` is null, raised in that source unit.
inline testing::AssertionResult ThrowsError(const std::function<void()>& action, HRESULT code,
                                            const wchar_t* file = nullptr)
{
    try
    {
        action();
    }
    catch (const Common::Exception& error)
    {
        if (error.ErrorCode == code && (file == nullptr || error.File == file))
        {
            return testing::AssertionSuccess();
        }
        return testing::AssertionFailure()
               << "error 0x" << std::hex << error.ErrorCode << " from " << testing::PrintToString(error.File);
    }
    return testing::AssertionFailure() << "no error";
}

} // namespace MediaFoundationTests
