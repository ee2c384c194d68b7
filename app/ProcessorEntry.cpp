#include "app/ProcessorEntry.h"

#include "app/Plugin.h"

namespace TavixCapture
{

MainModel::ProcessorEntry::ProcessorEntry(std::shared_ptr<Plugin> plugin, std::int32_t index)
    : plugin_(std::move(plugin)), index_(plugin_ ? index : 0)
{
    if (plugin_)
    {
        Common::ThrowIfFailed(plugin_->GetFactory().GetProcessorName(index_, name_));
    }
    else
    {
        name_ = L"なし";
    }
}

MainModel::ProcessorEntry::~ProcessorEntry() = default;

void MainModel::ProcessorEntry::Activate(Tavix::Framework::IHostServices* host)
{
    if (processor_)
    {
        return;
    }
    if (plugin_)
    {
        Common::ThrowIfFailed(plugin_->GetFactory().CreateProcessor(index_, processor_.Put()));
        if (!processor_)
        {
            // Success without a processor is outside the contract: treated as failed.
            throw Common::Exception(static_cast<HRESULT>(E_POINTER));
        }
    }
    else
    {
        processor_.Attach(new DummyProcessor);
    }
    Common::ThrowIfFailed(processor_->Initialize(host));
}

void MainModel::ProcessorEntry::Deactivate()
{
    if (!processor_)
    {
        return;
    }
    Common::ThrowIfFailed(processor_->Terminate());
    processor_.Reset();
}

void MainModel::ProcessorEntry::Discard() noexcept
{
    if (processor_)
    {
        static_cast<void>(processor_->Terminate());
        processor_.Reset();
    }
}

} // namespace TavixCapture
