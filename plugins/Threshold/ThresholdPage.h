// ThresholdPage: the settings page of ThresholdProcessor, a child dialog from
// this plug-in's own resources with a slider for the threshold (0..255) and
// its value. It belongs to the processor, which destroys it. UI thread.
#pragma once

#include "Common/ui/Dialog.h"
#include "Common/ui/Slider.h"

namespace TavixSamples
{

class ThresholdProcessor;

class ThresholdPage final : public Common::Mfc::Dialog
{
public:
    explicit ThresholdPage(ThresholdProcessor& processor);
    ~ThresholdPage() override;

protected:
    BOOL OnInitDialog() override;
    bool OnScroll(int bar, int request, int position, HWND control) override;

private:
    void ShowValue();

    ThresholdProcessor& processor_;
    Common::Mfc::Slider slider_;
};

} // namespace TavixSamples
