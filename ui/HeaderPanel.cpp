#include "ui/HeaderPanel.h"

#include "app/MainModel.h"
#include "resources/resource.h"

namespace TavixCapture
{

HeaderPanel::HeaderPanel(MainModel& model) : Dialog(IDD_HEADERPANEL), model_(model) {}

HeaderPanel::~HeaderPanel()
{
    DestroyWindow();
}

BOOL HeaderPanel::OnInitDialog()
{
    capturePage_.AttachItem(*this, IDC_PAGE_CAPTURE);
    processorPage_.AttachItem(*this, IDC_PAGE_PROCESSOR);
    cameraPage_.AttachItem(*this, IDC_PAGE_CAMERA);
    model_.AddListener(this);
    registered_ = true;
    return TRUE;
}

bool HeaderPanel::OnDestroy()
{
    if (registered_)
    {
        model_.RemoveListener(this);
        registered_ = false;
    }
    return false;
}

bool HeaderPanel::OnCommand(int id, int code, HWND control)
{
    if (code == BN_CLICKED && (id == IDC_PAGE_CAPTURE || id == IDC_PAGE_PROCESSOR || id == IDC_PAGE_CAMERA))
    {
        model_.SetControlPanelPage(id == IDC_PAGE_CAPTURE ? 0 : id == IDC_PAGE_PROCESSOR ? 1 : 2);
        return true;
    }
    return Dialog::OnCommand(id, code, control);
}

void HeaderPanel::ShowProcessorPage(bool show)
{
    processorPage_.Show(show ? SW_SHOW : SW_HIDE);
}

void HeaderPanel::OnPropertyChanged(std::int32_t id)
{
    switch (static_cast<PropertyId>(id))
    {
    case PropertyId::Processor:
    {
        const auto& entries = model_.GetProcessorEntries();
        const auto index = static_cast<std::size_t>(model_.GetCurrentProcessorIndex());
        processorPage_.SetWindowText(index < entries.size() ? entries[index]->GetName() : std::wstring());
        break;
    }
    case PropertyId::ControlPanelPage:
    {
        const std::int32_t page = model_.GetControlPanelPage();
        capturePage_.SetCheck(page == 0 ? BST_CHECKED : BST_UNCHECKED);
        processorPage_.SetCheck(page == 1 ? BST_CHECKED : BST_UNCHECKED);
        cameraPage_.SetCheck(page == 2 ? BST_CHECKED : BST_UNCHECKED);
        break;
    }
    default:
        break;
    }
}

} // namespace TavixCapture
