#include "app/MainModel.h"

#include "Common/PerformanceCounter.h"
#include "Common/capture/CaptureFailure.h"
#include "app/DeviceList.h"
#include "app/HostServices.h"
#include "app/Plugin.h"
#include "app/PluginCatalog.h"
#include "app/ProcessorHost.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace TavixCapture
{

namespace
{
constexpr std::uint32_t OpaqueBlack = Common::FrameBuffer::OpaqueBlack;

// Callers pass indices taken from the lists they choose from; anything else
// is a fault of the caller, reported before any state changes.
void CheckIndex(std::int32_t index, std::size_t count)
{
    if (index < 0 || static_cast<std::size_t>(index) >= count)
    {
        throw Common::Exception(L"選択された番号が範囲外です。");
    }
}

std::int32_t ClampViewRatio(std::int32_t percent)
{
    return std::clamp(percent, 10, 1000);
}

// The 32-bit pixel at (x, y) of a frame.
std::uint32_t PixelAt(const Common::FrameBuffer& frame, std::int32_t x, std::int32_t y)
{
    std::uint32_t value;
    std::memcpy(&value,
                frame.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(frame.stride) +
                    static_cast<std::size_t>(x) * 4,
                sizeof(value));
    return value;
}

// Copies the marker's row and column of `frame` into the profiles, each at
// most its length; nothing when the marker lies outside the frame.
void CopyProfilesFromFrame(const Common::FrameBuffer& frame, POINT marker, std::vector<std::uint32_t>& row,
                           std::vector<std::uint32_t>& column)
{
    if (marker.x < 0 || marker.x >= frame.width || marker.y < 0 || marker.y >= frame.height)
    {
        return;
    }
    const std::int32_t columns = std::min<std::int32_t>(frame.width, static_cast<std::int32_t>(row.size()));
    for (std::int32_t i = 0; i < columns; ++i)
    {
        row[static_cast<std::size_t>(i)] = PixelAt(frame, i, marker.y);
    }
    const std::int32_t rows = std::min<std::int32_t>(frame.height, static_cast<std::int32_t>(column.size()));
    for (std::int32_t j = 0; j < rows; ++j)
    {
        column[static_cast<std::size_t>(j)] = PixelAt(frame, marker.x, j);
    }
}
} // namespace

MainModel::MainModel(const IniProfile& profile, const CaptureBackendFactory& backendFactory,
                     std::int32_t captureApiFamily, bool skipErrorDevice, bool allowDuplicateFrameFormat,
                     std::wstring programDirectory)
    : profile_(profile), mediaFoundation_(captureApiFamily != 1), backendFactory_(backendFactory),
      captureApiFamily_(captureApiFamily), skipErrorDevice_(skipErrorDevice),
      allowDuplicateFrameFormat_(allowDuplicateFrameFormat),
      recorder_(Recorder::Callbacks{[this](const Common::Exception& error) { OnRecordingError(error); },
                                    [this] { Raise(PropertyId::IsRecording); }})
{
    // "The frame changed" and "the pixel under the cursor may have changed"
    // carry no value: one queued notification of each per window is enough,
    // however fast frames arrive.
    SetCoalesced(static_cast<std::int32_t>(PropertyId::Frame));
    SetCoalesced(static_cast<std::int32_t>(PropertyId::CursorPixel));
    // Nor does "the error text changed": the window reads the latest text.
    SetCoalesced(static_cast<std::int32_t>(PropertyId::ErrorMessage));

    capture_ = backendFactory(captureApiFamily, skipErrorDevice, allowDuplicateFrameFormat);
    if (!capture_ || capture_->devices.empty())
    {
        throw Common::Exception(L"キャプチャーデバイスがありません。");
    }
    {
        const ModelSettings::Values saved = ModelSettings::Read(profile_, ModelSettings::Values{});
        currentDeviceIndex_ = ChooseStartDevice(saved.captureDeviceName);
        // A saved camera that is not there stays the one to go back to.
        preferredPath_ = saved.captureDeviceName.empty() ? GetCurrentDevice().path : saved.captureDeviceName;
        preferredFormatName_ = saved.frameFormatName;
        cameraSettings_.Restore(GetCurrentDevice());
    }

    auto* services = new HostServices(programDirectory, *this, profile_);
    hostServices_.Attach(services);
    plugins_ = std::make_unique<PluginCatalog>(programDirectory);
    processors_ = std::make_unique<ProcessorHost>(plugins_->GetEntries(), *services, *this);

    imagingFactory_.CreateInstance(CLSID_WICImagingFactory, CLSCTX_INPROC_SERVER);

    const Common::FrameFormat& first = *GetCurrentDevice().GetSelectedFormat();
    {
        Common::AutoLock lock(profileLock_);
        markerPosition_ = {first.width / 2, first.height / 2};
    }
    ResizeProfiles(first);

    LoadSettings();
}

MainModel::~MainModel()
{
    // First of all, no device may call into this model any more: a device
    // that could not be stopped would otherwise run OnFrame on members that
    // are destroyed before the backend. Once ClearSink returns, no callback
    // of this model runs.
    for (const auto& device : capture_->devices)
    {
        device->ClearSink();
    }
    try
    {
        recorder_.Stop();
    }
    catch (...)
    {
        OutputDebugStringW(L"TavixCapture: the movie could not be finished.\n");
    }
    try
    {
        SaveSettings();
    }
    catch (...)
    {
        // The file keeps the settings of the earlier run; closing the
        // program must not fail because the file is read-only or gone.
        OutputDebugStringW(L"TavixCapture: the settings could not be saved.\n");
    }
    // The processor ends, then the entries release their plug-ins, before
    // the host services go (members are destroyed in reverse order).
    processors_.reset();
    static_cast<HostServices*>(hostServices_.Get())->Shutdown();
    imagingFactory_.Reset();
    plugins_.reset();
}

std::int32_t MainModel::ChooseStartDevice(const std::wstring& savedPath)
{
    // The saved device first, then the others in their order: the first
    // whose formats can be read. Only the one chosen is opened to read them.
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < capture_->devices.size(); ++i)
    {
        if (capture_->devices[i]->path == savedPath)
        {
            order.insert(order.begin(), i);
        }
        else
        {
            order.push_back(i);
        }
    }
    std::exception_ptr firstFailure;
    for (const std::size_t index : order)
    {
        try
        {
            capture_->devices[index]->ReadFormats();
            if (!capture_->devices[index]->GetFormats().empty())
            {
                return static_cast<std::int32_t>(index);
            }
        }
        catch (...)
        {
            if (!firstFailure)
            {
                firstFailure = std::current_exception();
            }
        }
    }
    // Every camera is there but none can be used: say why (access denied,
    // in use), not that there is none.
    if (firstFailure)
    {
        std::rethrow_exception(firstFailure);
    }
    throw Common::Exception(L"キャプチャーデバイスがありません。");
}

void MainModel::LoadSettings()
{
    // The device was chosen while the model was built. The names first: the
    // format chosen decides where the marker's centre, the default of its
    // position, lies.
    const ModelSettings::Values names = ModelSettings::Read(profile_, CurrentSettings());
    SelectFrameFormatByName(names.frameFormatName);
    if (DeviceList::IsSamePath(GetCurrentDevice().path, preferredPath_))
    {
        preferredFormatName_ = GetCurrentDevice().GetSelectedFormat()->GetName();
    }
    try
    {
        SelectProcessorByName(names.processorName.value_or(L""));
    }
    catch (...)
    {
        // "なし" is current again; the start-up shows the error and carries on.
        processorError_ = std::current_exception();
    }

    const ModelSettings::Values stored = ModelSettings::Read(profile_, CurrentSettings());
    SetViewRatio(stored.viewRatio);
    SetIsMarkerVisible(stored.isMarkerVisible);
    SetMarkerPosition(stored.markerPosition.x, stored.markerPosition.y);
    SetMarkerColor(stored.markerColor);
    SetIsProfileVisible(stored.isProfileVisible);
    SetIsSidePaneVisible(stored.isSidePaneVisible);
    SetControlPanelPage(stored.controlPanelPage.value_or(0));
    SetIsStatusBarVisible(stored.isStatusBarVisible);
    SetSaveTarget(stored.saveTarget);
    SetFileFormat(stored.fileFormat);
    SetMovieBitRate(stored.movieBitRate);
}

ModelSettings::Values MainModel::CurrentSettings() const
{
    const bool hasPlugins = GetProcessorEntries().size() >= 2;
    ModelSettings::Values values;
    values.captureDeviceName = preferredPath_;
    values.frameFormatName = DeviceList::IsSamePath(GetCurrentDevice().path, preferredPath_)
                                 ? GetCurrentDevice().GetSelectedFormat()->GetName()
                                 : preferredFormatName_;
    if (hasPlugins)
    {
        values.processorName =
            GetProcessorEntries()[static_cast<std::size_t>(GetCurrentProcessorIndex())]->GetName();
        values.controlPanelPage = controlPanelPage_;
    }
    else if (controlPanelPage_ == 2 ||
             profile_.ReadInt(L"Settings", ModelSettings::Name(ModelSettings::Key::ControlPanelPage), 0) == 2)
    {
        // The camera page is there with or without plug-ins; a processor's
        // page an earlier run stored stays.
        values.controlPanelPage = controlPanelPage_;
    }
    values.viewRatio = viewRatio_;
    values.isMarkerVisible = isMarkerVisible_;
    values.markerPosition = GetMarkerPosition();
    values.markerColor = markerColor_;
    values.isProfileVisible = isProfileVisible_;
    values.isSidePaneVisible = isSidePaneVisible_;
    values.isStatusBarVisible = isStatusBarVisible_;
    values.saveTarget = saveTarget_;
    values.fileFormat = fileFormat_;
    values.movieBitRate = movieBitRate_;
    return values;
}

void MainModel::SaveSettings() const
{
    Common::ThrowIfFalse(ModelSettings::Write(profile_, CurrentSettings()));
}

void MainModel::OnListenerAdded(Common::Mfc::Window* window)
{
    for (auto id = static_cast<std::int32_t>(PropertyId::CaptureDevice);
         id <= static_cast<std::int32_t>(PropertyId::IsRecording); ++id)
    {
        const auto property = static_cast<PropertyId>(id);
        if (property != PropertyId::Frame && property != PropertyId::ErrorMessage)
        {
            Notify(window, id);
        }
    }
}

// ---- capture ----

Common::Device& MainModel::GetCurrentDevice() const
{
    return *capture_->devices.at(static_cast<std::size_t>(currentDeviceIndex_));
}

void MainModel::SelectDevice(std::int32_t index)
{
    SwitchToDevice(index);
    preferredPath_ = GetCurrentDevice().path;
    preferredFormatName_ = GetCurrentDevice().GetSelectedFormat()->GetName();
    unpluggedPath_.clear();
    ClearCaptureNotice();
}

void MainModel::SwitchToDevice(std::int32_t index)
{
    if (index == currentDeviceIndex_)
    {
        return;
    }
    CheckIndex(index, capture_->devices.size());
    // A camera that cannot be used says why before anything changes.
    Common::Device& chosen = *capture_->devices[static_cast<std::size_t>(index)];
    chosen.ReadFormats();
    if (chosen.GetFormats().empty())
    {
        throw Common::Exception(L"キャプチャーデバイスにフレームフォーマットがありません。");
    }
    const bool wasOpened = GetCurrentDevice().IsOpened();
    StopCapture();
    const std::shared_ptr<Common::FrameFormat> oldFormat = GetCurrentDevice().GetSelectedFormat();
    currentDeviceIndex_ = index;
    cameraSettings_.Restore(GetCurrentDevice());
    const std::shared_ptr<Common::FrameFormat> newFormat = GetCurrentDevice().GetSelectedFormat();
    ResizeProfiles(*newFormat);
    processors_->NotifyFormatChanged();
    Raise(PropertyId::CaptureDevice);
    Raise(PropertyId::FrameFormat);
    SetCursorPosition(0, 0);
    RescaleMarker(*oldFormat, *newFormat);
    if (wasOpened)
    {
        StartCapture();
    }
}

void MainModel::SelectFrameFormat(std::int32_t index)
{
    Common::Device& device = GetCurrentDevice();
    if (index == device.GetSelectedFormatIndex())
    {
        return;
    }
    CheckIndex(index, device.GetFormats().size());
    const bool wasOpened = device.IsOpened();
    StopCapture();
    const std::shared_ptr<Common::FrameFormat> oldFormat = device.GetSelectedFormat();
    device.SelectFrameFormat(index);
    if (DeviceList::IsSamePath(device.path, preferredPath_))
    {
        preferredFormatName_ = device.GetSelectedFormat()->GetName();
    }
    const std::shared_ptr<Common::FrameFormat> newFormat = device.GetSelectedFormat();
    ResizeProfiles(*newFormat);
    processors_->NotifyFormatChanged();
    Raise(PropertyId::FrameFormat);
    SetCursorPosition(0, 0);
    RescaleMarker(*oldFormat, *newFormat);
    if (wasOpened)
    {
        StartCapture();
    }
}

void MainModel::SelectFrameFormatByName(const std::wstring& name)
{
    const auto& formats = GetCurrentDevice().GetFormats();
    std::int32_t index = 0;
    for (std::size_t i = 0; i < formats.size(); ++i)
    {
        if (formats[i]->GetName() == name)
        {
            index = static_cast<std::int32_t>(i);
            break;
        }
    }
    SelectFrameFormat(index);
}

void MainModel::StartCapture()
{
    Common::Device& device = GetCurrentDevice();
    errorStanding_ = false; // a new run: its first error is told
    static_cast<void>(device.RegisterSink(this, &MainModel::FrameCallback, &MainModel::ErrorCallback));
    device.Open();
    ClearCaptureNotice();
    // A source made anew for the stream may start from the camera's own values.
    cameraSettings_.Restore(device);
    Raise(PropertyId::IsCapturing);
}

void MainModel::StopCapture()
{
    Common::Device& device = GetCurrentDevice();
    device.Close();
    device.ClearSink();
    Raise(PropertyId::IsCapturing);
}

void MainModel::ResizeProfiles(const Common::FrameFormat& format)
{
    Common::AutoLock lock(profileLock_);
    rowProfile_.clear();
    columnProfile_.clear();
    rowProfile_.resize(static_cast<std::size_t>(std::max(format.width, 0)), OpaqueBlack);
    columnProfile_.resize(static_cast<std::size_t>(std::max(format.height, 0)), OpaqueBlack);
}

void MainModel::RescaleMarker(const Common::FrameFormat& oldFormat, const Common::FrameFormat& newFormat)
{
    const POINT marker = GetMarkerPosition();
    // Multiply first, then divide, truncating toward zero; a zero-sized old
    // format cannot scale anything and leaves the marker where it is.
    // 64-bit products: a width times a position can pass 2^31.
    const auto scale = [](std::int32_t position, std::int32_t newSide, std::int32_t oldSide)
    {
        return oldSide != 0
                   ? static_cast<std::int32_t>(static_cast<std::int64_t>(newSide) * position / oldSide)
                   : position;
    };
    SetMarkerPosition(scale(marker.x, newFormat.width, oldFormat.width),
                      scale(marker.y, newFormat.height, oldFormat.height));
}

// ---- processors ----

const std::vector<std::shared_ptr<MainModel::ProcessorEntry>>& MainModel::GetProcessorEntries() const
{
    return plugins_->GetEntries();
}

std::int32_t MainModel::GetCurrentProcessorIndex() const
{
    return processors_->GetCurrentIndex();
}

Tavix::Framework::IProcessor* MainModel::GetCurrentProcessor() const
{
    return processors_->GetCurrent();
}

void MainModel::SelectProcessor(std::int32_t index)
{
    CheckIndex(index, GetProcessorEntries().size());
    processors_->Select(index);
}

void MainModel::SelectProcessorByName(const std::wstring& name)
{
    std::int32_t index = 0;
    const auto& entries = GetProcessorEntries();
    for (std::size_t i = 0; i < entries.size(); ++i)
    {
        if (entries[i]->GetName() == name)
        {
            index = static_cast<std::int32_t>(i);
            break;
        }
    }
    SelectProcessor(index);
}

// ---- settings ----

template <class T> void MainModel::SetValue(T& stored, T value, PropertyId id)
{
    if (stored != value)
    {
        stored = value;
        Raise(id);
    }
}

void MainModel::SetViewRatio(std::int32_t percent)
{
    SetValue(viewRatio_, ClampViewRatio(percent), PropertyId::ViewRatio);
}

void MainModel::SetIsMarkerVisible(bool visible)
{
    SetValue(isMarkerVisible_, visible, PropertyId::IsMarkerVisible);
}

POINT MainModel::GetMarkerPosition() const
{
    Common::AutoLock lock(profileLock_);
    return markerPosition_;
}

void MainModel::SetMarkerPosition(std::int32_t x, std::int32_t y)
{
    if (const POINT current = GetMarkerPosition(); current.x == x && current.y == y)
    {
        return;
    }
    {
        // The profiles of the latest frame, copied whole (the delivery
        // thread may be writing the next one).
        GetCurrentDevice().CopyLatestFrame(markerFrame_);
        Common::AutoLock lock(profileLock_);
        if (x < 0 || x >= markerFrame_.width || y < 0 || y >= markerFrame_.height)
        {
            return;
        }
        markerPosition_ = {x, y};
        CopyProfilesFromFrame(markerFrame_, markerPosition_, rowProfile_, columnProfile_);
    }
    Raise(PropertyId::MarkerPosition);
    Raise(PropertyId::Profile);
}

void MainModel::SetMarkerColor(std::uint32_t color)
{
    SetValue(markerColor_, color, PropertyId::MarkerColor);
}

void MainModel::SetIsProfileVisible(bool visible)
{
    SetValue(isProfileVisible_, visible, PropertyId::IsProfileVisible);
}

void MainModel::CopyProfiles(std::vector<std::uint32_t>& row, std::vector<std::uint32_t>& column) const
{
    Common::AutoLock lock(profileLock_);
    row = rowProfile_;
    column = columnProfile_;
}

void MainModel::SetIsSidePaneVisible(bool visible)
{
    SetValue(isSidePaneVisible_, visible, PropertyId::IsSidePaneVisible);
}

void MainModel::SetControlPanelPage(std::int32_t page)
{
    SetValue(controlPanelPage_, page, PropertyId::ControlPanelPage);
}

void MainModel::SetIsStatusBarVisible(bool visible)
{
    SetValue(isStatusBarVisible_, visible, PropertyId::IsStatusBarVisible);
}

void MainModel::SetCursorInImage(bool inImage)
{
    SetValue(isCursorInImage_, inImage, PropertyId::IsCursorInImage);
}

void MainModel::SetCursorPosition(std::int32_t x, std::int32_t y)
{
    if ((x == cursorPosition_.x && y == cursorPosition_.y) || x < 0)
    {
        return;
    }
    const Common::FrameFormat& format = *GetCurrentDevice().GetSelectedFormat();
    if (x >= format.width || y < 0 || y >= format.height)
    {
        return;
    }
    cursorPosition_ = {x, y};
    Raise(PropertyId::CursorPosition);
    Raise(PropertyId::CursorPixel);
}

void MainModel::SetSaveTarget(std::int32_t target)
{
    if (saveTarget_.exchange(target) != target)
    {
        Raise(PropertyId::SaveTarget);
    }
}

void MainModel::SetFileFormat(std::int32_t format)
{
    if (fileFormat_.exchange(format) != format)
    {
        Raise(PropertyId::FileFormat);
    }
}

void MainModel::SetMovieBitRate(std::int32_t kbps)
{
    SetValue(movieBitRate_, kbps, PropertyId::MovieBitRate);
}

std::wstring MainModel::GetErrorText() const
{
    Common::AutoLock lock(errorLock_);
    return errorText_;
}

// ---- recording ----

std::wstring MainModel::GetSaveFolder() const
{
    return recorder_.GetSaveFolder();
}

void MainModel::StartRecording(const std::wstring& path)
{
    if (recorder_.IsRecording())
    {
        return;
    }
    // kbps to bits per second, kept within what the writer takes.
    const std::int64_t bitRate = std::clamp<std::int64_t>(static_cast<std::int64_t>(movieBitRate_) * 1000, 0,
                                                          std::numeric_limits<std::int32_t>::max());
    const Common::FrameFormat& format = *GetCurrentDevice().GetSelectedFormat();
    recorder_.Start(fileFormat_, path, format.width, format.height, format.frameRate,
                    static_cast<std::int32_t>(bitRate));
    errorStanding_ = false; // a new run: its first error is told
    Raise(PropertyId::IsRecording);
}

void MainModel::StopRecording()
{
    if (!recorder_.IsRecording())
    {
        return;
    }
    try
    {
        recorder_.Stop();
    }
    catch (...)
    {
        Raise(PropertyId::IsRecording);
        throw;
    }
    Raise(PropertyId::IsRecording);
}

void MainModel::SaveFrame(const Common::FrameBuffer& frame, const std::wstring& path)
{
    recorder_.SaveFrame(*imagingFactory_.Get(), frame, fileFormat_, path);
}

void MainModel::EndSession(bool ending) noexcept
{
    if (ending)
    {
        try
        {
            StopCapture();
        }
        catch (...)
        {
            OutputDebugStringW(L"TavixCapture: capture could not be stopped at the end of the session.\n");
        }
        try
        {
            StopRecording();
        }
        catch (...)
        {
            OutputDebugStringW(L"TavixCapture: the movie could not be finished at the end of the session.\n");
        }
    }
    else
    {
        recorder_.Checkpoint();
    }
    try
    {
        SaveSettings();
    }
    catch (...)
    {
        OutputDebugStringW(L"TavixCapture: the settings could not be saved at the end of the session.\n");
    }
}

void MainModel::OnRecordingError(const Common::Exception& error)
{
    {
        Common::AutoLock lock(errorLock_);
        errorText_ = error.GetLocatedMessage();
        errorStanding_.store(true, std::memory_order_relaxed);
    }
    Raise(PropertyId::ErrorMessage);
}

// ---- delivery thread ----

void MainModel::FrameCallback(Common::Device&, void* context, const Common::FrameBuffer& frame)
{
    static_cast<MainModel*>(context)->OnFrame(frame);
}

void MainModel::ErrorCallback(Common::Device&, void* context, const Common::Exception& error,
                              Common::Device::ErrorEffect effect)
{
    static_cast<MainModel*>(context)->OnCaptureError(error, effect);
}

void MainModel::OnFrame(const Common::FrameBuffer& frame)
{
    deliveredFrameCount_.fetch_add(1, std::memory_order_relaxed);
    const std::int64_t start = Common::PerformanceCounter();
    {
        Common::AutoLock lock(profileLock_);
        CopyProfilesFromFrame(frame, markerPosition_, rowProfile_, columnProfile_);
    }
    processors_->Process();
    const std::int64_t processed = Common::PerformanceCounter();
    Raise(PropertyId::Frame);
    Raise(PropertyId::CursorPixel);
    const std::int64_t notified = Common::PerformanceCounter();
    processingTicks_.fetch_add(processed - start, std::memory_order_relaxed);
    notificationTicks_.fetch_add(notified - processed, std::memory_order_relaxed);
    if (saveTarget_ != 0 && recorder_.IsRecording())
    {
        // Failures are the recorder's to tell: a movie that cannot take the
        // frame ends the recording, a still image that cannot be written is
        // counted lost.
        recorder_.RecordFrame(frame);
        savingTicks_.fetch_add(Common::PerformanceCounter() - notified, std::memory_order_relaxed);
    }
    // This frame went through: the next error starts a new run of failures.
    if (errorStanding_.load(std::memory_order_relaxed))
    {
        errorStanding_.store(false, std::memory_order_relaxed);
    }
}

MainModel::FrameTimes MainModel::GetFrameTimes() const
{
    FrameTimes times;
    times.processing = processingTicks_.load(std::memory_order_relaxed);
    times.notification = notificationTicks_.load(std::memory_order_relaxed);
    times.saving = savingTicks_.load(std::memory_order_relaxed);
    return times;
}

void MainModel::OnCaptureError(const Common::Exception& error, Common::Device::ErrorEffect effect)
{
    // Told once per run of failures: a save failing on every frame (a full
    // disk) would otherwise announce itself thirty times a second for as
    // long as recording goes on. The text stays until it changes. An error
    // that ended the stream is always told, and the window shows it to the
    // user whatever the debug setting says: the device has stopped.
    const bool ended = effect == Common::Device::ErrorEffect::StreamEnded;
    std::wstring text = error.GetLocatedMessage();
    {
        Common::AutoLock lock(errorLock_);
        if (!ended && errorStanding_.load(std::memory_order_relaxed) && text == errorText_)
        {
            return;
        }
        errorText_ = std::move(text);
        errorStanding_.store(true, std::memory_order_relaxed);
        if (ended && Common::CaptureFailure::IsUnplugged(error.ErrorCode))
        {
            captureNotice_ = L"カメラが取り外されました";
            cameraRemoved_ = true;
        }
        else if (ended)
        {
            captureFailure_ = std::make_exception_ptr(error);
        }
    }
    Raise(PropertyId::ErrorMessage);
    if (ended)
    {
        Raise(PropertyId::IsCapturing);
    }
}

std::exception_ptr MainModel::TakeCaptureFailure()
{
    Common::AutoLock lock(errorLock_);
    return std::exchange(captureFailure_, nullptr);
}

std::wstring MainModel::GetCaptureNotice() const
{
    Common::AutoLock lock(errorLock_);
    return captureNotice_;
}

bool MainModel::TakeCameraRemoval()
{
    {
        Common::AutoLock lock(errorLock_);
        if (!std::exchange(cameraRemoved_, false))
        {
            return false;
        }
    }
    unpluggedPath_ = GetCurrentDevice().path;
    StopCapture(); // the device has closed itself; its sink goes
    try
    {
        StopRecording();
    }
    catch (...)
    {
        RefreshDevices();
        throw;
    }
    RefreshDevices();
    return true;
}

void MainModel::RefreshDevices()
{
    std::unique_ptr<Common::VideoCapture> listed =
        backendFactory_(captureApiFamily_, skipErrorDevice_, allowDuplicateFrameFormat_);
    if (!listed)
    {
        return;
    }
    const std::shared_ptr<Common::Device> current =
        capture_->devices.at(static_cast<std::size_t>(currentDeviceIndex_));
    capture_->devices = DeviceList::Merge(capture_->devices, std::move(listed->devices), unpluggedPath_);
    // The camera to go back to, when it is listed now: the preferred one,
    // else the one unplugged. (A current camera that is not listed stays
    // last; the listed ones keep their places.)
    std::int32_t back = DeviceList::Find(capture_->devices, preferredPath_);
    if (back < 0)
    {
        back = DeviceList::Find(capture_->devices, unpluggedPath_);
    }
    const auto kept = std::find(capture_->devices.begin(), capture_->devices.end(), current);
    if (kept != capture_->devices.end())
    {
        currentDeviceIndex_ = static_cast<std::int32_t>(kept - capture_->devices.begin());
        Raise(PropertyId::CaptureDevice);
    }
    else if (current->IsOpened())
    {
        // Still streaming, so its stream has the last word: a camera that
        // was pulled says so through it (and is then left), one that a
        // listing missed (busy, or listed a moment late) goes on capturing.
        capture_->devices.push_back(current);
        currentDeviceIndex_ = static_cast<std::int32_t>(capture_->devices.size() - 1);
        Raise(PropertyId::CaptureDevice);
    }
    else
    {
        LeaveMissingDevice(current);
    }

    const bool returned =
        back >= 0 &&
        DeviceList::IsSamePath(capture_->devices[static_cast<std::size_t>(back)]->path, unpluggedPath_);
    if (back < 0 || (back == currentDeviceIndex_ && !returned))
    {
        return;
    }
    const std::wstring formatName =
        DeviceList::IsSamePath(capture_->devices[static_cast<std::size_t>(back)]->path, preferredPath_)
            ? preferredFormatName_
            : GetCurrentDevice().GetSelectedFormat()->GetName();
    if (returned)
    {
        unpluggedPath_.clear();
    }
    SwitchToDevice(back);
    SelectFrameFormatByName(formatName);
    if (returned && !GetCurrentDevice().IsOpened())
    {
        StartCapture();
    }
}

void MainModel::LeaveMissingDevice(const std::shared_ptr<Common::Device>& missing)
{
    // Listed last while it is current, so the indexes of the others hold.
    capture_->devices.push_back(missing);
    currentDeviceIndex_ = static_cast<std::int32_t>(capture_->devices.size() - 1);
    for (std::int32_t i = 0; i < currentDeviceIndex_; ++i)
    {
        try
        {
            SwitchToDevice(i);
            capture_->devices.pop_back();
            break;
        }
        catch (const Common::Exception&)
        {
            // Not usable either: the next one is tried.
        }
    }
    Raise(PropertyId::CaptureDevice);
}

void MainModel::ClearCaptureNotice()
{
    {
        Common::AutoLock lock(errorLock_);
        if (captureNotice_.empty())
        {
            return;
        }
        captureNotice_.clear();
        cameraRemoved_ = false;
    }
    Raise(PropertyId::IsCapturing);
}

} // namespace TavixCapture
