// Helpers shared by the Media Foundation tests: the leak check over
// the test camera's objects, and the raised error.
#pragma once

#include "TestCamera.h"
#include "support/TestSink.h"

#include "Common/Exception.h"

#include <gtest/gtest.h>

#include <functional>

namespace MediaFoundationTests
{

using TestSupport::TestSink;
using TestSupport::WaitUntil;

// Every test source, stream and activation object gone (the platform's
// reader lets go of them on its own threads), no short buffer left locked.
inline void ExpectNothingAlive()
{
    EXPECT_TRUE(WaitUntil([] { return LiveObjects::objects == 0; })) << LiveObjects::objects << " alive";
    EXPECT_EQ(0, LiveObjects::bufferLocks.load());
}

// The error `action` raises; one with code S_OK when it raises none.
inline Common::Exception ErrorOf(const std::function<void()>& action)
{
    try
    {
        action();
    }
    catch (const Common::Exception& error)
    {
        return error;
    }
    return Common::Exception(S_OK, L"", 0);
}

} // namespace MediaFoundationTests
