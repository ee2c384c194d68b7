// TavixCapture::HostServices: the program's side of the plug-in contract, one
// object handed to every processor's Initialize. It gives processors the
// program folder, the current frame, repaint requests and the configuration
// file. Created by the model with one reference (the model's), released by
// the model after every processor.
//
// Threads: GetDirectory, GetFrame, UpdateFrame and Redraw may be called from
// the UI thread and the delivery thread; the profile functions are meant for
// the UI thread (the host does not synchronise them). Nothing thrown inside
// leaves a call.
#pragma once

#include "framework/IHostServices.h"

#include <string>

namespace TavixCapture
{

class IniProfile;
class MainModel;

class HostServices final : public Tavix::Framework::IHostServices
{
public:
    // `programDirectory` ends with a separator; the model and the profile
    // outlive this object.
    HostServices(std::wstring programDirectory, MainModel& model, const IniProfile& profile);
    HostServices(const HostServices&) = delete;
    HostServices& operator=(const HostServices&) = delete;

    // IUnknown: answers IUnknown and IHostServices.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    const std::wstring& STDMETHODCALLTYPE GetDirectory() override;
    Common::FrameBuffer* STDMETHODCALLTYPE GetFrame() override;
    HRESULT STDMETHODCALLTYPE UpdateFrame() override;
    HRESULT STDMETHODCALLTYPE Redraw() override;
    INT32 STDMETHODCALLTYPE GetProfileInt(const std::wstring& section, const std::wstring& key,
                                          INT32 defaultValue) override;
    std::wstring STDMETHODCALLTYPE GetProfileString(const std::wstring& section, const std::wstring& key,
                                                    const std::wstring& defaultValue) override;
    HRESULT STDMETHODCALLTYPE WriteProfileInt(const std::wstring& section, const std::wstring& key,
                                              INT32 value) override;
    HRESULT STDMETHODCALLTYPE WriteProfileString(const std::wstring& section, const std::wstring& key,
                                                 const std::wstring& value) override;

private:
    ~HostServices() = default;

    volatile LONG referenceCount_ = 1;
    const std::wstring programDirectory_;
    MainModel& model_;
    const IniProfile& profile_;
};

} // namespace TavixCapture
