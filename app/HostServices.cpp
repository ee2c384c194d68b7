#include "app/HostServices.h"

#include "app/IniProfile.h"
#include "app/MainModel.h"
#include "Common/TextHelpers.h"
#include "framework/CallGuarded.h"

#include <cstring>
#include <utility>

namespace TavixCapture
{

using Tavix::Framework::CallGuarded;

HostServices::HostServices(std::wstring programDirectory, MainModel& model, const IniProfile& profile)
    : programDirectory_(std::move(programDirectory)), model_(model), profile_(&profile)
{
    idleTimer_ = CreateThreadpoolTimer(&HostServices::OnIdle, this, nullptr);
    Common::ThrowIfFalse(idleTimer_ != nullptr);
}

HostServices::~HostServices()
{
    Shutdown();
}

bool HostServices::NoCase::operator()(const std::wstring& a, const std::wstring& b) const
{
    // The profile functions match sections and keys without regard to case.
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_LESS_THAN;
}

void HostServices::OnIdle(PTP_CALLBACK_INSTANCE, void* context, PTP_TIMER)
{
    auto& self = *static_cast<HostServices*>(context);
    Common::AutoLock lock(self.batchLock_);
    // A write that came while this call was on its way began a new group of
    // writes (a plug-in's call writing a whole section): the flush waits for
    // the quiet after it, so the group is never split.
    if (GetTickCount64() - self.lastWriteTick_ < IdleFlushMilliseconds)
    {
        self.ArmIdleTimer(); // also when the timer came a moment early
        return;
    }
    static_cast<void>(self.Flush());
}

bool HostServices::Flush()
{
    Common::AutoLock lock(batchLock_);
    if (batch_.empty())
    {
        return true;
    }
    if (profile_ == nullptr)
    {
        return false;
    }
    if (WriteBatch())
    {
        return true;
    }
    // The file may be open for a moment in another program (a virus scanner,
    // an editor) and refuse to be replaced: the batch is kept and tried again
    // after the next quiet time.
    ArmIdleTimer();
    return false;
}

bool HostServices::WriteBatch()
{
    try
    {
        // One change of the file: all of the batch or, on a failure, none of it.
        IniProfile::Transaction transaction(*profile_);
        for (const auto& [section, keys] : batch_)
        {
            for (const auto& [key, value] : keys)
            {
                if (!profile_->WriteString(section.c_str(), key.c_str(), value))
                {
                    return false;
                }
            }
        }
        if (!transaction.Commit())
        {
            return false;
        }
        batch_.clear();
        return true;
    }
    catch (...)
    {
        return false;
    }
}

void HostServices::Shutdown() noexcept
{
    PTP_TIMER timer = nullptr;
    {
        Common::AutoLock lock(batchLock_);
        timer = std::exchange(idleTimer_, nullptr);
    }
    if (timer != nullptr)
    {
        // Outside the lock: a running flush takes it.
        SetThreadpoolTimer(timer, nullptr, 0, 0);
        WaitForThreadpoolTimerCallbacks(timer, TRUE);
        CloseThreadpoolTimer(timer);
    }
    if (!Flush())
    {
        OutputDebugStringW(L"TavixCapture: the plug-ins' settings could not be saved.\n");
    }
    Common::AutoLock lock(batchLock_);
    profile_ = nullptr;
    batch_.clear();
}

HRESULT HostServices::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
    {
        return E_POINTER;
    }
    *object = nullptr;
    if (std::memcmp(&iid, &IID_IUnknown, sizeof(IID)) != 0 &&
        std::memcmp(&iid, &Tavix::Framework::IID_IHostServices, sizeof(IID)) != 0)
    {
        return E_NOINTERFACE;
    }
    *object = static_cast<Tavix::Framework::IHostServices*>(this);
    AddRef();
    return S_OK;
}

ULONG HostServices::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&referenceCount_));
}

ULONG HostServices::Release()
{
    const LONG count = InterlockedDecrement(&referenceCount_);
    if (count == 0)
    {
        delete this;
    }
    return static_cast<ULONG>(count);
}

const std::wstring& HostServices::GetDirectory()
{
    return programDirectory_;
}

Common::FrameBuffer* HostServices::GetFrame()
{
    // The device list never changes and the current index changes only
    // while capture is stopped, so this is safe from the delivery thread.
    return &model_.GetCurrentDevice().GetProcessingFrame();
}

HRESULT HostServices::UpdateFrame()
{
    return CallGuarded(
        [this]
        {
            model_.Raise(static_cast<std::int32_t>(PropertyId::Frame));
            return S_OK;
        });
}

HRESULT HostServices::Redraw()
{
    // Only marks the preview; a preview that is gone or not yet made is no error.
    if (const HWND preview = model_.GetPreviewWindow())
    {
        static_cast<void>(InvalidateRect(preview, nullptr, TRUE));
    }
    return S_OK;
}

INT32 HostServices::GetProfileInt(const std::wstring& section, const std::wstring& key, INT32 defaultValue)
{
    try
    {
        Common::AutoLock lock(batchLock_);
        if (profile_ == nullptr)
        {
            return defaultValue;
        }
        // A written value is read as the file would give it back.
        const std::wstring* written = FindInBatch(section, key);
        return written != nullptr ? IniProfile::ParseInt(*written, defaultValue)
                                  : profile_->ReadInt(section.c_str(), key.c_str(), defaultValue);
    }
    catch (...)
    {
        return defaultValue;
    }
}

const std::wstring* HostServices::FindInBatch(const std::wstring& section, const std::wstring& key) const
{
    const auto found = batch_.find(section);
    if (found == batch_.end())
    {
        return nullptr;
    }
    const auto value = found->second.find(key);
    return value != found->second.end() ? &value->second : nullptr;
}

std::wstring HostServices::GetProfileString(const std::wstring& section, const std::wstring& key,
                                            const std::wstring& defaultValue)
{
    try
    {
        Common::AutoLock lock(batchLock_);
        if (profile_ == nullptr)
        {
            return defaultValue;
        }
        if (const std::wstring* written = FindInBatch(section, key))
        {
            return *written;
        }
        return profile_->ReadString(section.c_str(), key.c_str(), defaultValue);
    }
    catch (...)
    {
        // Out of memory for the text: the caller gets its default.
        try
        {
            return defaultValue;
        }
        catch (...)
        {
            return std::wstring();
        }
    }
}

HRESULT HostServices::WriteProfileInt(const std::wstring& section, const std::wstring& key, INT32 value)
{
    return SUCCEEDED(CallGuarded([&] { return Write(section, key, Common::ToDecimalText(value)); })) ? S_OK
                                                                                                     : E_FAIL;
}

HRESULT HostServices::WriteProfileString(const std::wstring& section, const std::wstring& key,
                                         const std::wstring& value)
{
    return SUCCEEDED(CallGuarded([&] { return Write(section, key, value); })) ? S_OK : E_FAIL;
}

HRESULT HostServices::Write(const std::wstring& section, const std::wstring& key, const std::wstring& value)
{
    Common::AutoLock lock(batchLock_);
    // A file that cannot take the writes says so at the first of a batch,
    // not at the flush.
    if (profile_ == nullptr || (batch_.empty() && !profile_->CanWrite()))
    {
        return E_FAIL;
    }
    batch_[section][key] = value;
    lastWriteTick_ = GetTickCount64();
    // Every write moves the flush back: it comes once the writes stop.
    ArmIdleTimer();
    return S_OK;
}

void HostServices::ArmIdleTimer()
{
    if (idleTimer_ != nullptr)
    {
        LARGE_INTEGER due;
        due.QuadPart = -static_cast<LONGLONG>(IdleFlushMilliseconds) * 10000;
        FILETIME dueTime = {due.LowPart, static_cast<DWORD>(due.HighPart)};
        SetThreadpoolTimer(idleTimer_, &dueTime, 0, 0);
    }
}

} // namespace TavixCapture
