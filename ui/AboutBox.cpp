#include "ui/AboutBox.h"

#include "Common/VersionInformation.h"
#include "resources/resource.h"

#include <string>

namespace TavixCapture
{

AboutBox::AboutBox(std::int32_t captureApiFamily) : Dialog(IDD_ABOUTBOX), captureApiFamily_(captureApiFamily)
{
}

BOOL AboutBox::OnInitDialog()
{
    if (captureApiFamily_ == 1)
    {
        const wchar_t* title = nullptr;
        const int length = LoadStringW(GetModuleHandleW(nullptr), IDS_ABOUTBOX_DIRECTSHOW,
                                       reinterpret_cast<LPWSTR>(&title), 0);
        Common::Mfc::ThrowLastErrorIf(length <= 0);
        SetWindowText(std::wstring(title, static_cast<std::size_t>(length)));
    }
    const Common::VersionInformation version(GetModuleHandleW(nullptr));
    Common::Mfc::Window label;
    label.Attach(GetDlgItem(IDC_VERSION));
    // A block without translations (never the program's own) shows no version.
    label.SetWindowText(version.GetEntries().empty()
                            ? std::wstring()
                            : std::wstring(version.GetEntries().front().productVersion));
    return TRUE;
}

} // namespace TavixCapture
