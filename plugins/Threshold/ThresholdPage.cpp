#include "Threshold/ThresholdPage.h"

#include "Threshold/ThresholdProcessor.h"
#include "Threshold/ThresholdResources.h"

#include <commctrl.h>

#include <string>

namespace TavixSamples
{

namespace
{
// This plug-in's module, which holds the page's template.
HINSTANCE ThisModule()
{
    HMODULE module = nullptr;
    Common::ThrowIfFalse(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                            reinterpret_cast<LPCWSTR>(&ThisModule), &module));
    return module;
}
} // namespace

ThresholdPage::ThresholdPage(ThresholdProcessor& processor)
    : Dialog(IDD_THRESHOLD_PAGE, ThisModule()), processor_(processor)
{
    INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
    Common::ThrowIfFalse(InitCommonControlsEx(&controls));
}

ThresholdPage::~ThresholdPage()
{
    DestroyWindow();
}

BOOL ThresholdPage::OnInitDialog()
{
    slider_.AttachItem(*this, IDC_THRESHOLD_SLIDER);
    slider_.SetRange(0, 255);
    slider_.SetTicFreq(32);
    slider_.SetPos(processor_.GetThreshold());
    ShowValue();
    return FALSE;
}

bool ThresholdPage::OnScroll(int, int, int, HWND control)
{
    if (control != slider_.GetSafeHwnd())
    {
        return false;
    }
    processor_.SetThreshold(slider_.GetPos());
    ShowValue();
    return true;
}

void ThresholdPage::ShowValue()
{
    Common::ThrowIfFalse(SetDlgItemTextW(GetSafeHwnd(), IDC_THRESHOLD_VALUE,
                                         std::to_wstring(processor_.GetThreshold()).c_str()));
}

} // namespace TavixSamples
