#include "Common/capture/mediafoundation/MediaFoundationLibraries.h"

#include <windows.h>

#include <delayimp.h>

#include <initializer_list>

namespace Common
{

namespace
{

// Every delay-loaded function of these DLLs returns an HRESULT; on x64 a
// function without parameters can stand in for any of them.
HRESULT WINAPI UnavailableFunction()
{
    return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
}

// The delay-load helper asks this when a DLL or a function cannot be found.
// A missing DLL is answered with this program's own module, where the
// function is then not found either; a missing function with the stand-in.
FARPROC WINAPI OnDelayLoadFailure(unsigned notification, PDelayLoadInfo)
{
    if (notification == dliFailLoadLib)
    {
        return reinterpret_cast<FARPROC>(GetModuleHandleW(nullptr));
    }
    if (notification == dliFailGetProc)
    {
        // Through void (*)(), the function type that stands for any other.
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&UnavailableFunction));
    }
    return nullptr;
}

} // namespace

bool MediaFoundationLibraries::AreAvailable() noexcept
{
    for (const wchar_t* name : {L"mfplat.dll", L"mf.dll", L"mfreadwrite.dll"})
    {
        const HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (module == nullptr)
        {
            return false;
        }
        // The delay-load helper loads it again when its first function is called.
        FreeLibrary(module);
    }
    return true;
}

} // namespace Common

// The delay-load helper's failure hook (declared by delayimp.h; MSVC's
// declares it const).
#if defined(_MSC_VER)
const PfnDliHook __pfnDliFailureHook2 = Common::OnDelayLoadFailure;
#else
PfnDliHook __pfnDliFailureHook2 = Common::OnDelayLoadFailure;
#endif
