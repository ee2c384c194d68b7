// TavixCapture::MainModel: the program's state. It owns the capture backend
// and the selected device and format, the view, marker, profile and save
// settings, and tells the windows of every change through numbered
// notifications (PropertyId). It loads section "Settings" when built and
// saves it when destroyed.
//
// Threads: every operation runs on the UI thread, except OnFrame and
// OnCaptureError, which the open device calls on its delivery thread.
// Locks: profileLock_ and errorLock_, placed in the program's lock order in
// Common/LockOrder.h. No lock is held while waiting for the delivery thread.
#pragma once

#include "Common/ComInitializer.h"
#include "Common/ComPointer.h"
#include "Common/CriticalSection.h"
#include "Common/capture/VideoCapture.h"
#include "Common/capture/mediafoundation/MediaFoundationInitializer.h"
#include "Common/ui/BindableBase.h"
#include "app/AviFileLibrary.h"
#include "app/CameraSettings.h"
#include "app/CaptureBackendFactory.h"
#include "app/IniProfile.h"
#include "app/ModelSettings.h"
#include "app/PropertyId.h"
#include "framework/IHostServices.h"
#include "framework/IProcessor.h"
#include "app/Recorder.h"

#include <wincodec.h>

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace TavixCapture
{

// The processors on offer and the current one (app/PluginCatalog.h,
// app/ProcessorHost.h).
class PluginCatalog;
class ProcessorHost;

class MainModel : public Common::Mfc::BindableBase
{
public:
    // A loaded plug-in library (app/Plugin.h) and one selectable processor
    // (app/ProcessorEntry.h); entry 0 is always the built-in "なし".
    class Plugin;
    class ProcessorEntry;

    MainModel(const IniProfile& profile, const CaptureBackendFactory& backendFactory,
              std::int32_t captureApiFamily, bool skipErrorDevice, bool allowDuplicateFrameFormat,
              std::wstring programDirectory);
    ~MainModel() override;

    // The application's profile (the configuration file), for the windows.
    const IniProfile& GetProfile() const { return profile_; }

    // --- capture (UI thread) ---
    Common::VideoCapture& GetCapture() const { return *capture_; }
    std::int32_t GetCurrentDeviceIndex() const { return currentDeviceIndex_; }
    Common::Device& GetCurrentDevice() const;
    // Chosen by hand: the camera becomes the preferred one.
    void SelectDevice(std::int32_t index);
    void SelectFrameFormat(std::int32_t index);
    void SelectFrameFormatByName(const std::wstring& name);
    void StartCapture();
    void StopCapture();
    // The saved settings of each camera, applied when it becomes current
    // and when it is opened.
    const CameraSettings& GetCameraSettings() const { return cameraSettings_; }
    // The machine's cameras changed (one arrived or left): the list is read
    // again (RaiseDevices: CaptureDevice) and follows the machine. A current
    // camera that left is replaced by another meanwhile, without capturing
    // (one still streaming stays current until its stream ends);
    // when the preferred camera (saved, or chosen by hand) or the one that
    // was unplugged is listed again, it becomes current with its format and
    // capture resumes if it was capturing when unplugged. Raises Exception
    // when the return could not be made (the list is current then).
    void RefreshDevices();

    // --- processors (UI thread) ---
    const std::vector<std::shared_ptr<ProcessorEntry>>& GetProcessorEntries() const;
    // The libraries discovery left out, and why.
    const PluginCatalog& GetPluginCatalog() const { return *plugins_; }
    std::int32_t GetCurrentProcessorIndex() const;
    // The live processor of the current entry.
    Tavix::Framework::IProcessor* GetCurrentProcessor() const;
    // Switches the processor and raises Processor, then Frame (see
    // ProcessorHost::Select). If the new processor cannot be activated, "なし"
    // becomes current and the error is raised to the caller; if the old one
    // fails to terminate, the switch is done and the error is raised.
    void SelectProcessor(std::int32_t index);
    void SelectProcessorByName(const std::wstring& name);
    // The error of restoring the saved processor while the model was built,
    // once (null if there was none); "なし" was selected instead.
    std::exception_ptr TakeProcessorError() { return std::exchange(processorError_, nullptr); }
    // The preview registers its window (null when it is destroyed), so that a
    // processor's Redraw request reaches it. Any thread may read it.
    void SetPreviewWindow(HWND preview) { previewWindow_.store(preview); }
    HWND GetPreviewWindow() const { return previewWindow_.load(); }

    // --- view and marker settings (UI thread) ---
    std::int32_t GetViewRatio() const { return viewRatio_; }
    void SetViewRatio(std::int32_t percent); // clamped to 10..1000
    bool GetIsMarkerVisible() const { return isMarkerVisible_; }
    void SetIsMarkerVisible(bool visible);
    POINT GetMarkerPosition() const;
    void SetMarkerPosition(std::int32_t x, std::int32_t y);
    std::uint32_t GetMarkerColor() const { return markerColor_; }
    void SetMarkerColor(std::uint32_t color);
    bool GetIsProfileVisible() const { return isProfileVisible_; }
    void SetIsProfileVisible(bool visible);
    // Copies of the marker's row and column as last taken (any thread).
    void CopyProfiles(std::vector<std::uint32_t>& row, std::vector<std::uint32_t>& column) const;
    bool GetIsSidePaneVisible() const { return isSidePaneVisible_; }
    void SetIsSidePaneVisible(bool visible);
    std::int32_t GetControlPanelPage() const { return controlPanelPage_; }
    void SetControlPanelPage(std::int32_t page);
    bool GetIsStatusBarVisible() const { return isStatusBarVisible_; }
    void SetIsStatusBarVisible(bool visible);
    bool GetIsCursorInImage() const { return isCursorInImage_; }
    void SetCursorInImage(bool inImage);
    POINT GetCursorPosition() const { return cursorPosition_; }
    void SetCursorPosition(std::int32_t x, std::int32_t y);

    // --- saving settings (UI thread) ---
    std::int32_t GetSaveTarget() const { return saveTarget_; }
    void SetSaveTarget(std::int32_t target);
    std::int32_t GetFileFormat() const { return fileFormat_; }
    void SetFileFormat(std::int32_t format);
    std::wstring GetSaveFolder() const;
    std::int32_t GetMovieBitRate() const { return movieBitRate_; }
    void SetMovieBitRate(std::int32_t kbps);
    bool GetIsRecording() const { return recorder_.IsRecording(); }
    IWICImagingFactory* GetImagingFactory() const { return imagingFactory_.Get(); }

    // --- recording ---
    // Starts recording (UI thread): `path` is the folder for a still format,
    // the movie file for a movie format. Does nothing while recording.
    void StartRecording(const std::wstring& path);
    // Stops recording and finishes an open movie (UI thread). Raises
    // Exception when the movie could not be finished (recording is off).
    void StopRecording();
    // Time, frames written and lost, movie size of the recording (UI thread).
    Recorder::Status GetRecordingStatus() const { return recorder_.GetStatus(); }
    // The error that ended the last recording by itself (a movie that could
    // not take a frame), once; null when there is none (UI thread).
    std::exception_ptr TakeRecordingFailure() { return recorder_.TakeFailure(); }
    // The session is ending (logoff, shutdown): the settings are saved and
    // an open movie is made whole as far as it goes; when `ending` is set
    // (the session ends for sure) capture and recording are stopped first,
    // which finishes the movie. Never raises: nobody is left to tell.
    void EndSession(bool ending) noexcept;
    // Writes one frame in FileFormat (any thread): a still image at `path`,
    // or under a new time-stamped name in SaveFolder when `path` is empty; a
    // movie frame when a movie is open. Raises Exception on failure.
    void SaveFrame(const Common::FrameBuffer& frame, const std::wstring& path);

    // Text of the last error the delivery thread reported (any thread).
    std::wstring GetErrorText() const;
    // The error that ended the stream of the current device, once (null if
    // none is waiting to be shown). The device has stopped; IsCapturing was
    // raised after it (UI thread). A camera that was unplugged gives none:
    // it is told by the notice below, without a box.
    std::exception_ptr TakeCaptureFailure();
    // What the preview and the status bar say instead of the picture while
    // the current camera is gone ("カメラが取り外されました"); empty otherwise.
    // Cleared when capture starts or another camera is chosen (any thread).
    std::wstring GetCaptureNotice() const;
    // True once after the current camera was unplugged while capturing: a
    // recording under way is finished then, so the movie so far is whole.
    // Raises Exception when it could not be finished (recording is off;
    // UI thread).
    bool TakeCameraRemoval();

    // Notifies every listener of `id` (any thread).
    using BindableBase::Raise;
    void Raise(PropertyId id) { Raise(static_cast<std::int32_t>(id)); }

    // Frames the open device has delivered to the model so far (any thread).
    // Windows count the frames they show; this counts what arrived.
    std::uint64_t GetDeliveredFrameCount() const
    {
        return deliveredFrameCount_.load(std::memory_order_relaxed);
    }
    // The model's own time per frame on the delivery thread, summed since it
    // was made, in performance-counter ticks (any thread).
    struct FrameTimes
    {
        std::int64_t processing = 0;   // the profiles and the processor
        std::int64_t notification = 0; // telling the windows
        std::int64_t saving = 0;       // saving every frame while recording
    };
    FrameTimes GetFrameTimes() const;

    // --- delivery thread ---
    void OnFrame(const Common::FrameBuffer& frame);
    void OnCaptureError(const Common::Exception& error,
                        Common::Device::ErrorEffect effect = Common::Device::ErrorEffect::FrameLost);

protected:
    void OnListenerAdded(Common::Mfc::Window* window) override;

private:
    static void FrameCallback(Common::Device& device, void* context, const Common::FrameBuffer& frame);
    static void ErrorCallback(Common::Device& device, void* context, const Common::Exception& error,
                              Common::Device::ErrorEffect effect);

    std::int32_t ChooseStartDevice(const std::wstring& savedPath);
    // Another camera or a new start: the notice of a lost camera goes.
    void ClearCaptureNotice();
    // Makes device `index` current (its formats read first); capture goes on
    // on it if it went on before.
    void SwitchToDevice(std::int32_t index);
    // After the list changed, a current camera no longer listed: another
    // becomes current, or (none usable) it stays listed.
    void LeaveMissingDevice(const std::shared_ptr<Common::Device>& missing);
    void OnRecordingError(const Common::Exception& error);
    void LoadSettings();
    void SaveSettings() const;
    ModelSettings::Values CurrentSettings() const;
    void ResizeProfiles(const Common::FrameFormat& format);
    void RescaleMarker(const Common::FrameFormat& oldFormat, const Common::FrameFormat& newFormat);
    template <class T> void SetValue(T& stored, T value, PropertyId id);

    const IniProfile& profile_;
    AviFileLibrary aviLibrary_;
    Common::ComInitializer comInitializer_;
    Common::MediaFoundationInitializer mediaFoundation_;
    std::unique_ptr<Common::VideoCapture> capture_;
    std::int32_t currentDeviceIndex_ = 0;
    CameraSettings cameraSettings_{profile_};
    // What reads the list again (RefreshDevices), with its arguments.
    const CaptureBackendFactory backendFactory_;
    const std::int32_t captureApiFamily_;
    const bool skipErrorDevice_;
    const bool allowDuplicateFrameFormat_;
    // The camera to go back to, and its format: the saved one until another
    // is chosen by hand; kept while the program runs on another.
    std::wstring preferredPath_;
    std::wstring preferredFormatName_;
    // The camera unplugged while capturing, until it is back (UI thread).
    std::wstring unpluggedPath_;

    mutable Common::CriticalSection errorLock_; // row 7 of Common/LockOrder.h
    std::wstring errorText_;                    // guarded by errorLock_
    std::exception_ptr captureFailure_;         // guarded by errorLock_
    std::wstring captureNotice_;                // guarded by errorLock_
    bool cameraRemoved_ = false;                // guarded by errorLock_
    // An error has been announced and no frame has gone through cleanly
    // since: the same error again (every frame failing to save on a full
    // disk) is not announced again. Written by the delivery thread, reset by
    // the UI thread when capture or recording starts.
    std::atomic<bool> errorStanding_ = false;

    // Released after every processor (declared before the entries).
    Common::ComPointer<Tavix::Framework::IHostServices> hostServices_;
    std::atomic<HWND> previewWindow_ = nullptr;
    // Never changed after construction; read without a lock.
    std::unique_ptr<PluginCatalog> plugins_;
    // Holds the processor lock; destroyed before the catalog.
    std::unique_ptr<ProcessorHost> processors_;
    std::exception_ptr processorError_;

    std::int32_t viewRatio_ = 100;
    bool isMarkerVisible_ = false;

    mutable Common::CriticalSection profileLock_; // row 7 of Common/LockOrder.h
    POINT markerPosition_ = {0, 0};               // guarded by profileLock_ (read by OnFrame)
    std::vector<std::uint32_t> rowProfile_;       // guarded by profileLock_
    std::vector<std::uint32_t> columnProfile_;    // guarded by profileLock_
    Common::FrameBuffer markerFrame_;             // UI thread: the frame SetMarkerPosition reads

    std::uint32_t markerColor_ = 0x0000FF00;
    bool isProfileVisible_ = false;
    bool isSidePaneVisible_ = false;
    std::int32_t controlPanelPage_ = 0;
    bool isStatusBarVisible_ = true;
    bool isCursorInImage_ = false;
    POINT cursorPosition_ = {0, 0};
    std::atomic<std::int32_t> saveTarget_ = 0; // read by OnFrame
    std::atomic<std::int32_t> fileFormat_ = 0; // read by SaveFrame
    std::int32_t movieBitRate_ = 5000;
    std::atomic<std::uint64_t> deliveredFrameCount_ = 0;
    std::atomic<std::int64_t> processingTicks_ = 0;
    std::atomic<std::int64_t> notificationTicks_ = 0;
    std::atomic<std::int64_t> savingTicks_ = 0;
    Common::ComPointer<IWICImagingFactory> imagingFactory_;
    // Last: its threads and callbacks end before any member they reach goes.
    Recorder recorder_;
};

} // namespace TavixCapture

#include "app/ProcessorEntry.h"
