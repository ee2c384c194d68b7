#include "app/ProcessorHost.h"

#include "app/HostServices.h"
#include "app/PluginCall.h"
#include "app/ProcessorEntry.h"

namespace TavixCapture
{

ProcessorHost::ProcessorHost(const Entries& entries, HostServices& host, MainModel& model)
    : entries_(entries), host_(host), model_(model)
{
    entries_.front()->Activate(&host_);
}

ProcessorHost::~ProcessorHost()
{
    Stop();
}

Tavix::Framework::IProcessor* ProcessorHost::GetCurrent() const
{
    return currentIndex_ >= 0 ? entries_[static_cast<std::size_t>(currentIndex_)]->GetProcessor() : nullptr;
}

void ProcessorHost::Select(std::int32_t index)
{
    if (switching_)
    {
        throw Common::Exception(L"処理を切り替えている途中です。");
    }
    if (index == currentIndex_ || currentIndex_ < 0)
    {
        return;
    }
    switching_ = true;
    struct EndSwitch
    {
        bool& switching;
        ~EndSwitch() { switching = false; }
    } endSwitch{switching_};

    // The new processor starts outside the lock: frames keep flowing through
    // the old one meanwhile, even if Initialize waits on the user.
    std::exception_ptr failure;
    std::int32_t target = index;
    try
    {
        entries_.at(static_cast<std::size_t>(target))->Activate(&host_);
    }
    catch (...)
    {
        failure = std::current_exception();
        target = 0; // a processor that cannot start gives "なし"
    }
    if (target == currentIndex_)
    {
        std::rethrow_exception(failure);
    }
    if (target == 0)
    {
        entries_.front()->Activate(&host_); // the built-in processor never fails
    }

    const std::int32_t old = currentIndex_;
    {
        Common::AutoLock lock(lock_);
        currentIndex_ = target;
        processFailing_ = false;
    }
    // No Process reaches the old processor any more: it ends outside the lock.
    const HRESULT ended = entries_[static_cast<std::size_t>(old)]->Deactivate();
    static_cast<void>(host_.Flush());
    model_.Raise(PropertyId::Processor);
    model_.Raise(PropertyId::Frame);
    if (failure)
    {
        std::rethrow_exception(failure);
    }
    if (FAILED(ended))
    {
        throw PluginError(ended, L"処理「" + entries_[static_cast<std::size_t>(old)]->GetName() +
                                     L"」の終了処理が失敗しました");
    }
}

void ProcessorHost::Stop() noexcept
{
    if (currentIndex_ < 0)
    {
        return;
    }
    const std::int32_t old = currentIndex_;
    {
        Common::AutoLock lock(lock_);
        currentIndex_ = -1;
    }
    if (FAILED(entries_[static_cast<std::size_t>(old)]->Deactivate()))
    {
        OutputDebugStringW(L"TavixCapture: the processor could not be terminated.\n");
    }
    static_cast<void>(host_.Flush());
}

void ProcessorHost::NotifyFormatChanged()
{
    if (Tavix::Framework::IProcessor* processor = GetCurrent())
    {
        static_cast<void>(CallPlugin([processor] { return processor->OnFrameFormatChanged(); }));
    }
}

void ProcessorHost::Process()
{
    Common::AutoLock lock(lock_);
    if (currentIndex_ < 0)
    {
        return;
    }
    const MainModel::ProcessorEntry& entry = *entries_[static_cast<std::size_t>(currentIndex_)];
    Tavix::Framework::IProcessor* processor = entry.GetProcessor();
    if (processor == nullptr)
    {
        return;
    }
    const HRESULT code = CallPlugin([processor] { return processor->Process(); });
    if (SUCCEEDED(code) || processFailing_)
    {
        processFailing_ = FAILED(code);
        return;
    }
    // Told once per run of failures; the frame goes on as it is.
    processFailing_ = true;
    model_.OnCaptureError(
        PluginError(code, L"処理「" + entry.GetName() + L"」が失敗しました。フレームはそのまま表示します"));
}

} // namespace TavixCapture
