#include "ui/SelectProcessorDialog.h"

#include "Common/ui/ErrorReporter.h"
#include "app/MainModel.h"
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
    return TRUE;
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
