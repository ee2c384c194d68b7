// VirtualCamera::Module: the DLL's own state: its handle and the count of
// live objects and server locks that DllCanUnloadNow reports. Any thread.
#pragma once

#include <windows.h>

namespace VirtualCamera
{

class Module
{
public:
    static void SetHandle(HMODULE handle);
    static HMODULE GetHandle();
    static void AddReference();
    static void RemoveReference();
    static bool IsInUse();
};

} // namespace VirtualCamera
