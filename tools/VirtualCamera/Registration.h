// VirtualCamera::Registration: puts the camera into the registry and into
// DirectShow's video input device category, and takes it out again. Each
// registered instance has a key of its own, a friendly name (which several
// instances may share), a "DevicePath" unless it is registered without one,
// and a catalogue choice in its property bag. Called from regsvr32 or a
// test, one at a time.
#pragma once

#include <windows.h>

namespace VirtualCamera
{

class Registration
{
public:
    // The COM classes of the camera and of its property page
    // (InprocServer32 = this DLL) plus the standard instance.
    static HRESULT RegisterServer();
    static HRESULT UnregisterServer();

    // One more instance of the same class in the category; an empty
    // devicePath writes none, as some virtual cameras have none.
    static HRESULT RegisterInstance(const wchar_t* instance, const wchar_t* friendlyName,
                                    const wchar_t* devicePath, const wchar_t* catalogue);
    static HRESULT UnregisterInstance(const wchar_t* instance);
};

} // namespace VirtualCamera
