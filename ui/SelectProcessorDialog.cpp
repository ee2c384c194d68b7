#include "ui/SelectProcessorDialog.h"

#include "Common/ui/ErrorReporter.h"
#include "app/MainModel.h"
#include "app/PluginCatalog.h"
#include "resources/resource.h"

namespace TavixCapture
{

SelectProcessorDialog::SelectProcessorDialog(MainModel& model) : Dialog(IDD_SELECTPROCESSOR), model_(model) {}

BOOL SelectProcessorDialog::OnInitDialog()
{
    list_.AttachItem(*this, IDC_PROCESSOR_LIST);
    for (const auto& entry : model_.GetProcessorEntries())
    {
        list_.AddString(entry->GetName());
    }
    list_.SetCurSel(model_.GetCurrentProcessorIndex());
    ShowLeftOut();
    return TRUE;
}

void SelectProcessorDialog::ShowLeftOut()
{
    const auto& leftOut = model_.GetPluginCatalog().GetLeftOut();
    if (!leftOut.empty())
    {
        std::wstring text;
        for (const auto& library : leftOut)
        {
            text += (text.empty() ? L"" : L"\r\n") + library.library + L": " + library.reason;
        }
        Common::Mfc::ThrowLastErrorIf(SetDlgItemTextW(GetSafeHwnd(), IDC_LEFT_OUT_LIST, text.c_str()) ==
                                      FALSE);
        return;
    }
    // Nothing left out: the buttons move up under the list.
    const HWND label = GetDlgItem(IDC_LEFT_OUT_LABEL);
    RECT labelRect = {};
    RECT button = {};
    Common::Mfc::ThrowLastErrorIf(!::GetWindowRect(label, &labelRect) ||
                                  !::GetWindowRect(GetDlgItem(IDOK), &button));
    const int shift = button.top - labelRect.top;
    ::ShowWindow(label, SW_HIDE);
    ::ShowWindow(GetDlgItem(IDC_LEFT_OUT_LIST), SW_HIDE);
    for (const int id : {IDOK, IDCANCEL})
    {
        Common::Mfc::Window item;
        item.Attach(GetDlgItem(id));
        const RECT rect = item.GetRectInParent();
        item.MoveWindow(rect.left, rect.top - shift, rect.right - rect.left, rect.bottom - rect.top);
        static_cast<void>(item.Detach());
    }
    const RECT window = GetWindowRect();
    MoveWindow(window.left, window.top, window.right - window.left, window.bottom - window.top - shift);
}

void SelectProcessorDialog::OnOK()
{
    const int row = list_.GetCurSel();
    if (row >= 0)
    {
        try
        {
            model_.SelectProcessor(row);
        }
        catch (...)
        {
            // The model has fallen back to "なし" (or kept the processor
            // that would not end); the program runs on.
            Common::Mfc::ErrorReporter::ShowNow(Common::Mfc::ErrorReporter::UserAction::ProcessorChoice,
                                                GetSafeHwnd(), std::current_exception());
        }
    }
    EndDialog(IDOK);
}

} // namespace TavixCapture
