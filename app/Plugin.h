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
    // Loads the library, checks the interface version it states and asks its
    // GetProcessorFactory for the factory. Any failure, whatever the export
    // did, raises an Exception whose message says why the library cannot be
    // used; the library is unloaded again before the error leaves.
    explicit Plugin(const std::wstring& path);
    ~Plugin();
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    Tavix::Framework::IProcessorFactory& GetFactory() const { return *factory_.Get(); }
    HMODULE GetModule() const { return library_; }
    // The library's file name ("TavixMine.dll").
    const std::wstring& GetFileName() const { return fileName_; }

private:
    // Why the loaded library cannot be used; empty when it can.
    std::wstring Open();

    const std::wstring fileName_;
    HMODULE library_ = nullptr;
    Common::ComPointer<Tavix::Framework::IProcessorFactory> factory_;
};

} // namespace TavixCapture
