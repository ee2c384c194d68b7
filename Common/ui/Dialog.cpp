#include "Common/ui/Dialog.h"

#include "Common/Exception.h"

#include <string>

namespace Common::Mfc
{

namespace
{
constexpr WORD TemplateItemsType = 240;

// Messages whose dialog-procedure result is the value itself, not DWLP_MSGRESULT.
bool ReturnsValueDirectly(UINT message)
{
    switch (message)
    {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return true;
    default:
        return false;
    }
}
} // namespace

Dialog::Dialog(UINT templateId, HINSTANCE resources) : templateId_(templateId), resources_(resources) {}

Dialog::~Dialog()
{
    DestroyWindow();
}

HINSTANCE Dialog::Resources() const
{
    return resources_ != nullptr ? resources_ : GetModuleHandleW(nullptr);
}

INT_PTR Dialog::DoModal(HWND owner)
{
    ThrowIfFalse(GetSafeHwnd() == nullptr);
    modal_ = true;
    const INT_PTR result = DialogBoxParamW(Resources(), MAKEINTRESOURCEW(templateId_), owner,
                                           &Dialog::StaticDialogProc, reinterpret_cast<LPARAM>(this));
    modal_ = false;
    ThrowLastErrorIf(result == -1);
    return result;
}

void Dialog::Create(HWND parent)
{
    ThrowIfFalse(GetSafeHwnd() == nullptr);
    modal_ = false;
    const HWND handle = CreateDialogParamW(Resources(), MAKEINTRESOURCEW(templateId_), parent,
                                           &Dialog::StaticDialogProc, reinterpret_cast<LPARAM>(this));
    ThrowLastErrorIf(handle == nullptr);
}

void Dialog::EndDialog(INT_PTR result)
{
    ThrowLastErrorIf(::EndDialog(GetSafeHwnd(), result) == FALSE);
}

void Dialog::OnOK()
{
    if (modal_)
    {
        EndDialog(IDOK);
    }
}

void Dialog::OnCancel()
{
    if (modal_)
    {
        EndDialog(IDCANCEL);
    }
}

bool Dialog::OnCommand(int id, int code, HWND)
{
    if (code != BN_CLICKED)
    {
        return false;
    }
    if (id == IDOK)
    {
        OnOK();
        return true;
    }
    if (id == IDCANCEL)
    {
        OnCancel();
        return true;
    }
    return false;
}

void Dialog::AddTemplateItems()
{
    const HINSTANCE instance = Resources();
    const HRSRC found =
        FindResourceW(instance, MAKEINTRESOURCEW(templateId_), MAKEINTRESOURCEW(TemplateItemsType));
    if (found == nullptr)
    {
        return;
    }
    const HGLOBAL loaded = LoadResource(instance, found);
    ThrowLastErrorIf(loaded == nullptr);
    const auto* words = static_cast<const WORD*>(LockResource(loaded));
    ThrowLastErrorIf(words == nullptr);
    const std::size_t count = SizeofResource(instance, found) / sizeof(WORD);
    for (std::size_t i = 0; i + 2 < count && words[i] != 0; i += 3)
    {
        const int control = words[i];
        const UINT message = words[i + 1];
        const UINT stringId = words[i + 2];
        const wchar_t* text = nullptr;
        // With a zero buffer size the platform hands out the text in place.
        const int length = LoadStringW(instance, stringId, reinterpret_cast<LPWSTR>(&text), 0);
        ThrowLastErrorIf(length <= 0);
        const std::wstring item(text, static_cast<std::size_t>(length));
        const LRESULT added =
            SendDlgItemMessageW(GetSafeHwnd(), control, message, 0, reinterpret_cast<LPARAM>(item.c_str()));
        ThrowIfFalse(added >= 0);
    }
}

LRESULT Dialog::DefaultProc(UINT, WPARAM, LPARAM)
{
    return 0;
}

INT_PTR CALLBACK Dialog::StaticDialogProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* dialog = reinterpret_cast<Dialog*>(GetWindowLongPtrW(handle, GWLP_USERDATA));
    if (message == WM_INITDIALOG)
    {
        dialog = reinterpret_cast<Dialog*>(lParam);
        SetWindowLongPtrW(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(dialog));
        dialog->OnCreated(handle);
        try
        {
            dialog->AddTemplateItems();
            return dialog->OnInitDialog();
        }
        catch (...)
        {
            ReportException(handle, std::current_exception());
            if (dialog->modal_)
            {
                ::EndDialog(handle, IDABORT);
            }
            return FALSE;
        }
    }
    if (dialog == nullptr)
    {
        return FALSE;
    }
    bool handled = false;
    const LRESULT result = dialog->RouteMessage(message, wParam, lParam, handled);
    if (message == WM_NCDESTROY)
    {
        dialog->OnFinalMessage();
        return FALSE;
    }
    if (!handled)
    {
        return FALSE;
    }
    if (ReturnsValueDirectly(message))
    {
        return static_cast<INT_PTR>(result);
    }
    SetWindowLongPtrW(handle, DWLP_MSGRESULT, result);
    return TRUE;
}

} // namespace Common::Mfc
