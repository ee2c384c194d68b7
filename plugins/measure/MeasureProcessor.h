// TavixMeasure::MeasureProcessor: the processor "計測". It measures the
// frames (line profile, region statistics, saturation mask) without changing
// them, draws the line, the profile, the region with the spot's centre and
// size and the saturation overlay over the preview, takes lines and
// rectangles dragged with the mouse, and offers the settings page. It tells
// the host its region (IRegionOfInterest), which the host's exposure search
// then judges alone.
//
// Threads: Process runs on the delivery thread and hands the frame to the
// measurement pipeline, which measures it there, counts the region's
// histograms on a helper thread and publishes the complete measurement; the
// UI thread takes the newest one (Latest) and reads it at leisure, so no
// thread waits for another's work (MeasurementPipeline).
// The settings the delivery thread needs are copied under settingsLock_.
// Everything else (options, drag, page, overlay bitmap) is UI-thread only.
#pragma once

#include "MeasureOptions.h"
#include "MeasurementPipeline.h"

#include "Common/ComPointer.h"
#include "framework/IRegionOfInterest.h"
#include "framework/ProcessorBase.h"

#include <memory>
#include <mutex>
#include <vector>

namespace TavixMeasure
{

class MeasurePage;

class MeasureProcessor : public Tavix::Framework::ProcessorBase, public Tavix::Framework::IRegionOfInterest
{
public:
    static constexpr wchar_t Name[] = L"計測";

    // `resources`: the module holding the page's template.
    explicit MeasureProcessor(HINSTANCE resources);

    // One IUnknown for both interfaces: ProcessorBase's, answering
    // IRegionOfInterest too.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ProcessorBase::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return ProcessorBase::Release(); }
    // The region while one is set, else the whole frame (S_FALSE). UI thread.
    HRESULT STDMETHODCALLTYPE GetRegionOfInterest(Tavix::Framework::RegionOfInterest* region) override;

    HRESULT STDMETHODCALLTYPE Initialize(Tavix::Framework::IHostServices* host) override;
    HRESULT STDMETHODCALLTYPE Terminate() override;
    HRESULT STDMETHODCALLTYPE CreatePage(Common::Mfc::Window* parent, Common::Mfc::Window** page) override;
    HRESULT STDMETHODCALLTYPE Process() override;
    HRESULT STDMETHODCALLTYPE OnFrameFormatChanged() override;
    HRESULT STDMETHODCALLTYPE Draw(ID2D1RenderTarget* target, double scale) override;
    HRESULT STDMETHODCALLTYPE OnLButtonDown(UINT flags, const D2D1_POINT_2F* point, bool* capture) override;
    HRESULT STDMETHODCALLTYPE OnLButtonUp(UINT flags, const D2D1_POINT_2F* point) override;
    HRESULT STDMETHODCALLTYPE OnMouseMove(UINT flags, const D2D1_POINT_2F* point) override;

    // --- for the page (UI thread) ---
    const MeasureOptions& GetOptions() const { return options_; }
    // When SetOptions writes the options to the settings: at once (a choice,
    // a check box, a drag at button-up), or with KeepOptions (a number being
    // typed, written when the edit box is left), so that one user action is
    // one write.
    enum class Keep
    {
        Now,
        Later,
    };
    // Takes new options: the measuring ones go to the delivery thread, they
    // are saved as `keep` says, and the preview repaints.
    void SetOptions(const MeasureOptions& options, Keep keep = Keep::Now);
    // Writes options taken with Keep::Later; nothing when there are none.
    void KeepOptions();
    // The newest complete measurement (sequence 0 before the first frame).
    const Measurement& Latest();
    // The strip chart's points of the last `seconds`, oldest first.
    void CopyChart(double seconds, std::vector<StripChart::Point>& points);
    void ClearChart();

private:
    ~MeasureProcessor() override;

    void PublishSettings();
    // The pointer moved (or was released) while a drag may be going on.
    HRESULT TrackDrag(const D2D1_POINT_2F* point, bool released);
    // Takes the dragged line or rectangle as the mouse mode says.
    void EndDrag();
    void DestroyPage() noexcept;
    void DrawOverlay(ID2D1RenderTarget& target, float scale, const Measurement& measurement);
    void DrawMask(ID2D1RenderTarget& target, float scale, const Measurement& measurement);
    static double Now();

    HINSTANCE resources_;
    MeasureOptions options_;            // UI thread
    bool unsaved_ = false;              // options_ not yet written (UI thread)
    std::unique_ptr<MeasurePage> page_; // UI thread

    // Dragging with the mouse (UI thread).
    bool dragging_ = false;
    MouseMode dragMode_ = MouseMode::None;
    D2D1_POINT_2F dragStart_{};
    D2D1_POINT_2F dragEnd_{};

    std::mutex settingsLock_;
    MeasureSettings sharedSettings_;                                // guarded by settingsLock_
    ChartQuantity sharedChartQuantity_ = ChartQuantity::RegionMean; // guarded by settingsLock_

    MeasurementPipeline pipeline_;

    // The overlay bitmap of the saturation mask, made on the target it
    // belongs to (UI thread).
    Common::ComPointer<ID2D1RenderTarget> maskTarget_;
    Common::ComPointer<ID2D1Bitmap> maskBitmap_;
    std::uint64_t maskSequence_ = 0;
    std::vector<std::uint32_t> maskPixels_;
    std::vector<D2D1_POINT_2F> profilePoints_; // one curve at a time (UI thread)
};

} // namespace TavixMeasure
