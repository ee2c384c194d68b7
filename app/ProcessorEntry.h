// TavixCapture::MainModel::ProcessorEntry: one selectable processor of the
// model's list: the built-in "なし" (no plug-in) or processor `index` of a
// plug-in. Only the current entry holds a live processor. UI thread; the
// model's processor lock is held around Activate and Deactivate.
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

    // With a plug-in, the name is asked from its factory (failure: Exception
    // with its code); without one, the entry is "なし".
    ProcessorEntry(std::shared_ptr<Plugin> plugin, std::int32_t index);
    ~ProcessorEntry();
    ProcessorEntry(const ProcessorEntry&) = delete;
    ProcessorEntry& operator=(const ProcessorEntry&) = delete;

    const std::wstring& GetName() const { return name_; }
    std::int32_t GetIndex() const { return index_; }
    const std::shared_ptr<Plugin>& GetPlugin() const { return plugin_; }
    // The live processor, or null while the entry is not current.
    Tavix::Framework::IProcessor* GetProcessor() const { return processor_.Get(); }

    // Creates and initialises the processor unless it exists. A failing
    // CreateProcessor or Initialize raises an Exception with its code; after
    // a failed Initialize the processor stays (see Discard).
    void Activate(Tavix::Framework::IHostServices* host);
    // Terminates and releases the processor, if any. A failing Terminate
    // raises an Exception with its code and the processor stays.
    void Deactivate();
    // Drops a processor that failed to activate: Terminate, whatever it
    // returns, then release. Never throws.
    void Discard() noexcept;

private:
    // Destroyed in reverse order: the processor goes before the plug-in share
    // that keeps its code loaded.
    const std::shared_ptr<Plugin> plugin_;
    const std::int32_t index_;
    std::wstring name_;
    Common::ComPointer<Tavix::Framework::IProcessor> processor_;
};

} // namespace TavixCapture
