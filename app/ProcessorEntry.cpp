#include "app/ProcessorEntry.h"

#include "app/Plugin.h"
#include "app/PluginCall.h"

namespace TavixCapture
{

MainModel::ProcessorEntry::ProcessorEntry(std::shared_ptr<Plugin> plugin, std::int32_t index,
                                          std::wstring name)
    : plugin_(std::move(plugin)), index_(plugin_ ? index : 0), name_(plugin_ ? std::move(name) : NoneName)
{
}

MainModel::ProcessorEntry::~ProcessorEntry()
{
    ReleasePluginObject(processor_);
}

void MainModel::ProcessorEntry::Activate(Tavix::Framework::IHostServices* host)
{
    if (processor_)
    {
        return;
    }
    if (plugin_)
    {
        HRESULT code =
            CallPlugin([this] { return plugin_->GetFactory().CreateProcessor(index_, processor_.Put()); });
        if (SUCCEEDED(code) && !processor_)
        {
            code = E_POINTER; // success without a processor is outside the contract
        }
        if (FAILED(code))
        {
            ReleasePluginObject(processor_);
            throw PluginError(code, L"処理「" + name_ + L"」を作成できませんでした");
        }
    }
    else
    {
        processor_.Attach(new DummyProcessor);
    }
    const HRESULT code = CallPlugin([this, host] { return processor_->Initialize(host); });
    if (FAILED(code))
    {
        // Initialize may have kept the host half-way: Terminate undoes that.
        static_cast<void>(Deactivate());
        throw PluginError(code, L"処理「" + name_ + L"」を開始できませんでした");
    }
}

HRESULT MainModel::ProcessorEntry::Deactivate() noexcept
{
    if (!processor_)
    {
        return S_OK;
    }
    const HRESULT code = CallPlugin([this] { return processor_->Terminate(); });
    ReleasePluginObject(processor_);
    return code;
}

} // namespace TavixCapture
