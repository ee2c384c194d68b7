// ThresholdProcessor "二値化": shows a black-and-white image of its own: a
// pixel whose luma reaches the threshold is white, any other black. The
// threshold (0..255) is set on its settings page and kept in the program's
// configuration file (section "TavixThreshold", key "Threshold").
//
// Threads: Process (delivery thread) writes the next image into backImage_
// and hands it over under imageLock_; GetOutputImage (UI thread) takes the
// newest image into shownImage_, which only the UI thread touches, so the
// image the preview copies never changes under it. The threshold is atomic.
#pragma once

#include "Common/CriticalSection.h"
#include "framework/ProcessorBase.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace TavixSamples
{

class ThresholdPage;

class ThresholdProcessor final : public Tavix::Framework::ProcessorBase
{
public:
    ThresholdProcessor();

    HRESULT STDMETHODCALLTYPE Initialize(Tavix::Framework::IHostServices* host) override;
    HRESULT STDMETHODCALLTYPE Terminate() override;
    HRESULT STDMETHODCALLTYPE CreatePage(Common::Mfc::Window* parent, Common::Mfc::Window** page) override;
    Common::FrameBuffer* STDMETHODCALLTYPE GetOutputImage() override;
    HRESULT STDMETHODCALLTYPE Process() override;
    HRESULT STDMETHODCALLTYPE OnFrameFormatChanged() override;

    // UI thread (the page): stores the threshold, clamped to 0..255, and saves it.
    void SetThreshold(int threshold);
    int GetThreshold() const { return threshold_.load(); }

private:
    ~ThresholdProcessor() override;
    void SizeImagesToFrame();

    std::atomic<int> threshold_ = 128;
    Common::FrameBuffer backImage_; // delivery thread
    Common::CriticalSection imageLock_;
    Common::FrameBuffer readyImage_; // guarded by imageLock_
    bool isReadyNew_ = false;        // guarded by imageLock_
    Common::FrameBuffer shownImage_; // UI thread
    std::unique_ptr<ThresholdPage> page_;
};

} // namespace TavixSamples
