// Helpers shared by the Media Foundation tests: waiting, the leak check over
// the live test objects, and the check of a thrown error.
#pragma once

#include "LiveObjects.h"
#include "TestActivate.h"

#include "Common/capture/Device.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>

namespace MediaFoundationTests
{

// Polls `done` every millisecond until it holds; false after the timeout.
inline bool WaitUntil(const std::function<bool()>& done, DWORD milliseconds = 5000)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    while (!done())
    {
        if (GetTickCount64() >= end)
        {
            return false;
        }
        Sleep(1);
    }
    return true;
}

// True once every test source, stream, buffer and activation is gone
// (the platform's reader lets go of them on its own threads).
inline bool NothingAlive(DWORD milliseconds = 5000)
{
    return WaitUntil(
        []
        {
            return LiveObjects::sources == 0 && LiveObjects::streams == 0 && LiveObjects::buffers == 0 &&
                   LiveObjects::activates == 0;
        },
        milliseconds);
}

// Expects every test object to be gone and no test buffer left locked.
inline void ExpectNothingAlive()
{
    EXPECT_TRUE(NothingAlive()) << "sources " << LiveObjects::sources << ", streams " << LiveObjects::streams
                                << ", buffers " << LiveObjects::buffers << ", activates "
                                << LiveObjects::activates;
    EXPECT_EQ(0, LiveObjects::bufferLocks.load());
}

// Succeeds when `action` throws a Common::Exception with `code` and, unless
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
        if (error.ErrorCode != code || (file != nullptr && error.File != file))
        {
            return testing::AssertionFailure()
                   << "error 0x" << std::hex << static_cast<unsigned long>(error.ErrorCode) << " from "
                   << testing::PrintToString(error.File) << ", expected 0x"
                   << static_cast<unsigned long>(code)
                   << (file != nullptr ? " from " + testing::PrintToString(std::wstring(file)) : "");
        }
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure()
           << "no error, expected 0x" << std::hex << static_cast<unsigned long>(code);
}

// Waits for a held sample request of the activation's current source and
// answers it.
inline bool DeliverOne(TestActivate& activate)
{
    Common::ComPointer<TestMediaSource> source = activate.GetSource();
    if (!source)
    {
        return false;
    }
    if (!WaitUntil([&] { return source->GetStream().GetPendingCount() > 0; }))
    {
        return false;
    }
    return source->GetStream().Deliver(1) == 1;
}

} // namespace MediaFoundationTests
