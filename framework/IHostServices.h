// Tavix::Framework::IHostServices: what the program offers a processor. The
// host hands one object to every processor's Initialize; it stays valid
// until the processor's Terminate. GetFrame, UpdateFrame and Redraw may be
// called from any thread; the profile functions are not synchronised by the
// host (call them from the UI thread).
#pragma once

#include "Common/capture/FrameBuffer.h"
#include "framework/InterfaceId.h"

#include <string>

namespace Tavix::Framework
{

// {DBEB7E8C-E43A-4412-8E3D-90E82A1D5AAD}
inline constexpr IID IID_IHostServices = {
    0xdbeb7e8c, 0xe43a, 0x4412, {0x8e, 0x3d, 0x90, 0xe8, 0x2a, 0x1d, 0x5a, 0xad}};

struct TAVIX_INTERFACE_ID("DBEB7E8C-E43A-4412-8E3D-90E82A1D5AAD") IHostServices : public IUnknown
{
    // The program's folder, ending with a separator; valid as long as the
    // host services live.
    virtual const std::wstring& STDMETHODCALLTYPE GetDirectory() = 0;
    // The current device's latest frame (4 bytes a pixel: blue, green, red,
    // alpha); valid until the device changes. During Process it is the frame
    // being processed, written by no other thread.
    virtual Common::FrameBuffer* STDMETHODCALLTYPE GetFrame() = 0;
    // Asks the preview to fetch GetOutputImage again and repaint.
    virtual HRESULT STDMETHODCALLTYPE UpdateFrame() = 0;
    // Asks the preview to repaint (for example after the overlay changed).
    virtual HRESULT STDMETHODCALLTYPE Redraw() = 0;
    // The program's configuration file; a plug-in chooses its own section.
    virtual INT32 STDMETHODCALLTYPE GetProfileInt(const std::wstring& section, const std::wstring& key,
                                                  INT32 defaultValue) = 0;
    virtual std::wstring STDMETHODCALLTYPE GetProfileString(const std::wstring& section,
                                                            const std::wstring& key,
                                                            const std::wstring& defaultValue) = 0;
    // S_OK when written, E_FAIL otherwise.
    virtual HRESULT STDMETHODCALLTYPE WriteProfileInt(const std::wstring& section, const std::wstring& key,
                                                      INT32 value) = 0;
    virtual HRESULT STDMETHODCALLTYPE WriteProfileString(const std::wstring& section, const std::wstring& key,
                                                         const std::wstring& value) = 0;
};

} // namespace Tavix::Framework

#if defined(__CRT_UUID_DECL)
__CRT_UUID_DECL(Tavix::Framework::IHostServices, 0xdbeb7e8c, 0xe43a, 0x4412, 0x8e, 0x3d, 0x90, 0xe8, 0x2a,
                0x1d, 0x5a, 0xad)
#endif
