// TavixCapture::MainModel::Plugin: one loaded plug-in library and the
// factory it handed out, shared by the processor entries of that library.
// The last share releases the factory, then unloads the library. UI thread.
#pragma once

#include "Common/ComPointer.h"
#include "app/MainModel.h"
#include "framework/IProcessorFactory.h"

#include <string>

namespace TavixCapture
{

class MainModel::Plugin
{
public:
    // Loads the library and asks its GetProcessorFactory for the factory.
    // A library that cannot be loaded or lacks the export: Exception
    // (E_POINTER); a failing export: Exception with its code. On either
    // failure the library is unloaded again before the error leaves.
    explicit Plugin(const std::wstring& path);
    ~Plugin();
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    Tavix::Framework::IProcessorFactory& GetFactory() const { return *factory_.Get(); }
    HMODULE GetModule() const { return library_; }

private:
    HMODULE library_ = nullptr;
    Common::ComPointer<Tavix::Framework::IProcessorFactory> factory_;
};

} // namespace TavixCapture
