#include "Watchdog.h"

#include <cstdio>

namespace TestSupport
{

Watchdog::Watchdog(DWORD milliseconds, const char* what)
    : disarmed_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      thread_(
          [this, milliseconds, what]
          {
              if (WaitForSingleObject(disarmed_.Get(), milliseconds) != WAIT_OBJECT_0)
              {
                  std::fprintf(stderr, "watchdog: %s did not finish in time (deadlock?)\n", what);
                  std::fflush(stderr);
                  TerminateProcess(GetCurrentProcess(), 3);
              }
          })
{
}

Watchdog::~Watchdog()
{
    SetEvent(disarmed_.Get());
    thread_.join();
}

} // namespace TestSupport
