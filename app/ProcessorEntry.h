// TavixCapture::MainModel::ProcessorEntry: one selectable processor of the
// model's list: the built-in "なし" (no plug-in) or processor `index` of a
// plug-in. Only the current entry holds a live processor (and, during a
// switch, the one being started). UI thread; none of the calls into the
// processor is made under a host lock (see ProcessorHost).
#pragma once

#include "Common/ComPointer.h"
#include "app/MainModel.h"
#include "framework/IProcessor.h"
#include "framework/ProcessorBase.h"

#include <cstdint>
#include <memory>
#include <string>

namespace TavixCapture
{

class MainModel::ProcessorEntry
{
public:
    // The "なし" entry's processor: frames pass unchanged, the device's frame
    // is shown, no page, no overlay, the mouse is ignored.
    class DummyProcessor final : public Tavix::Framework::ProcessorBase
    {
    };

    // The name of the built-in entry.
    static constexpr wchar_t NoneName[] = L"なし";

    // Processor `index` of `plugin`, under the name its factory gave (see
    // PluginCatalog); without a plug-in, the entry "なし".
    ProcessorEntry(std::shared_ptr<Plugin> plugin, std::int32_t index, std::wstring name);
    ~ProcessorEntry();
    ProcessorEntry(const ProcessorEntry&) = delete;
    ProcessorEntry& operator=(const ProcessorEntry&) = delete;

    const std::wstring& GetName() const { return name_; }
    std::int32_t GetIndex() const { return index_; }
    const std::shared_ptr<Plugin>& GetPlugin() const { return plugin_; }
    // The live processor, or null while the entry is not current.
    Tavix::Framework::IProcessor* GetProcessor() const { return processor_.Get(); }

    // Creates and initialises the processor unless it exists. A failing
    // CreateProcessor or Initialize (a failure code or an exception) raises
    // an Exception with that code and a message naming the processor; the
    // processor made is terminated and released first.
    void Activate(Tavix::Framework::IHostServices* host);
    // Terminates and releases the processor, if any, whatever Terminate
    // does; returns Terminate's result (PluginThrew when it threw).
    HRESULT Deactivate() noexcept;

private:
    // Destroyed in reverse order: the processor goes before the plug-in share
    // that keeps its code loaded.
    const std::shared_ptr<Plugin> plugin_;
    const std::int32_t index_;
    const std::wstring name_;
    Common::ComPointer<Tavix::Framework::IProcessor> processor_;
};

} // namespace TavixCapture
