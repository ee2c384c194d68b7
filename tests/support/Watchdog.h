// Watchdog: ends the test process when not disarmed (destroyed) within its
// time, so that a deadlock fails the run instead of hanging it.
#pragma once

#include "Common/UniqueHandle.h"

#include <windows.h>

#include <thread>

namespace TestSupport
{

class Watchdog
{
public:
    Watchdog(DWORD milliseconds, const char* what);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    Common::UniqueHandle disarmed_;
    std::thread thread_;
};

} // namespace TestSupport
