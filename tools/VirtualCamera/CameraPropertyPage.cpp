#include "CameraPropertyPage.h"

#include "Module.h"

#include <commctrl.h>

#include <cerrno>
#include <cstring>
#include <cwchar>
#include <string>

namespace VirtualCamera
{
namespace
{

constexpr wchar_t Title[] = L"露出とゲイン";

// The page's dialog needs the slider's window class.
void RegisterSliderClass()
{
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes);
}

std::wstring ItemText(HWND dialog, int id)
{
    wchar_t text[32] = {};
    GetDlgItemTextW(dialog, id, text, 32);
    return text;
}

} // namespace

CameraPropertyPage::~CameraPropertyPage()
{
    Deactivate();
}

STDMETHODIMP CameraPropertyPage::SetPageSite(IPropertyPageSite* site)
{
    site_ = Common::ComPointer<IPropertyPageSite>(site);
    return S_OK;
}

STDMETHODIMP CameraPropertyPage::SetObjects(ULONG count, IUnknown** objects)
{
    cameraControl_.Reset();
    procAmp_.Reset();
    if (count == 0)
    {
        return S_OK;
    }
    if (objects == nullptr || objects[0] == nullptr)
    {
        return E_POINTER;
    }
    // A camera may offer one of the two; this page is of no use for neither.
    objects[0]->QueryInterface(IID_IAMCameraControl, cameraControl_.PutVoid());
    objects[0]->QueryInterface(IID_IAMVideoProcAmp, procAmp_.PutVoid());
    if (!cameraControl_ && !procAmp_)
    {
        return E_NOINTERFACE;
    }
    if (window_ != nullptr)
    {
        ShowValues();
    }
    return S_OK;
}

STDMETHODIMP CameraPropertyPage::GetPageInfo(PROPPAGEINFO* info)
{
    if (info == nullptr)
    {
        return E_POINTER;
    }
    // The frame sizes itself to the page, in pixels at the dialog's font:
    // the dialog made once, hidden, tells.
    RegisterSliderClass();
    const HWND measured = CreateDialogParamW(Module::GetHandle(), MAKEINTRESOURCEW(IDD_CAMERA_PROPERTY_PAGE),
                                             GetDesktopWindow(), &DialogProcedure, 0);
    if (measured == nullptr)
    {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    RECT bounds = {};
    GetWindowRect(measured, &bounds);
    DestroyWindow(measured);

    auto* title = static_cast<wchar_t*>(CoTaskMemAlloc(sizeof(Title)));
    if (title == nullptr)
    {
        return E_OUTOFMEMORY;
    }
    std::memcpy(title, Title, sizeof(Title));
    *info = {};
    info->cb = sizeof(PROPPAGEINFO);
    info->pszTitle = title;
    info->size = {bounds.right - bounds.left, bounds.bottom - bounds.top};
    return S_OK;
}

STDMETHODIMP CameraPropertyPage::Activate(HWND parent, LPCRECT rect, BOOL)
{
    if (rect == nullptr)
    {
        return E_POINTER;
    }
    if (window_ != nullptr)
    {
        return E_UNEXPECTED;
    }
    RegisterSliderClass();
    // WM_INITDIALOG keeps the window in window_.
    if (CreateDialogParamW(Module::GetHandle(), MAKEINTRESOURCEW(IDD_CAMERA_PROPERTY_PAGE), parent,
                           &DialogProcedure, reinterpret_cast<LPARAM>(this)) == nullptr)
    {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    ShowValues();
    Move(rect);
    return Show(SW_SHOWNORMAL);
}

STDMETHODIMP CameraPropertyPage::Deactivate()
{
    if (window_ != nullptr)
    {
        SetWindowLongPtrW(window_, DWLP_USER, 0);
        DestroyWindow(window_);
        window_ = nullptr;
    }
    return S_OK;
}

STDMETHODIMP CameraPropertyPage::Show(UINT command)
{
    if (window_ == nullptr)
    {
        return E_UNEXPECTED;
    }
    ShowWindow(window_, static_cast<int>(command));
    return S_OK;
}

STDMETHODIMP CameraPropertyPage::Move(LPCRECT rect)
{
    if (rect == nullptr)
    {
        return E_POINTER;
    }
    if (window_ == nullptr)
    {
        return E_UNEXPECTED;
    }
    MoveWindow(window_, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
    return S_OK;
}

STDMETHODIMP CameraPropertyPage::IsPageDirty()
{
    // Every change is the camera's already.
    return S_FALSE;
}

STDMETHODIMP CameraPropertyPage::Apply()
{
    return S_OK;
}

STDMETHODIMP CameraPropertyPage::Help(LPCOLESTR)
{
    return E_NOTIMPL;
}

STDMETHODIMP CameraPropertyPage::TranslateAccelerator(MSG*)
{
    // Not handled: the frame's dialog navigation does the rest.
    return S_FALSE;
}

INT_PTR CALLBACK CameraPropertyPage::DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
    {
        // Null while the dialog is only measured.
        auto* page = reinterpret_cast<CameraPropertyPage*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        if (page != nullptr)
        {
            page->window_ = window;
        }
        return TRUE;
    }
    auto* page = reinterpret_cast<CameraPropertyPage*>(GetWindowLongPtrW(window, DWLP_USER));
    if (page == nullptr)
    {
        return FALSE;
    }
    for (const Field& field : page->fields_)
    {
        if (message == WM_COMMAND && LOWORD(wParam) == field.edit && HIWORD(wParam) == EN_CHANGE)
        {
            page->OnEditChanged(field);
            return TRUE;
        }
        if (message == WM_HSCROLL && reinterpret_cast<HWND>(lParam) == GetDlgItem(window, field.slider))
        {
            page->OnSliderMoved(field);
            return TRUE;
        }
    }
    return FALSE;
}

HRESULT CameraPropertyPage::GetRange(const Field& field, long& minimum, long& maximum) const
{
    long step = 0, defaultValue = 0, caps = 0;
    if (field.cameraControl)
    {
        return cameraControl_
                   ? cameraControl_->GetRange(field.property, &minimum, &maximum, &step, &defaultValue, &caps)
                   : E_NOINTERFACE;
    }
    return procAmp_ ? procAmp_->GetRange(field.property, &minimum, &maximum, &step, &defaultValue, &caps)
                    : E_NOINTERFACE;
}

HRESULT CameraPropertyPage::Get(const Field& field, long& value) const
{
    long flags = 0;
    if (field.cameraControl)
    {
        return cameraControl_ ? cameraControl_->Get(field.property, &value, &flags) : E_NOINTERFACE;
    }
    return procAmp_ ? procAmp_->Get(field.property, &value, &flags) : E_NOINTERFACE;
}

HRESULT CameraPropertyPage::Set(const Field& field, long value) const
{
    if (field.cameraControl)
    {
        return cameraControl_ ? cameraControl_->Set(field.property, value, CameraControl_Flags_Manual)
                              : E_NOINTERFACE;
    }
    return procAmp_ ? procAmp_->Set(field.property, value, VideoProcAmp_Flags_Manual) : E_NOINTERFACE;
}

void CameraPropertyPage::ShowValues()
{
    showing_ = true;
    for (const Field& field : fields_)
    {
        long minimum = 0, maximum = 0, value = 0;
        const bool known = SUCCEEDED(GetRange(field, minimum, maximum)) && SUCCEEDED(Get(field, value));
        const HWND slider = GetDlgItem(window_, field.slider);
        SendMessageW(slider, TBM_SETRANGEMIN, FALSE, known ? minimum : 0);
        SendMessageW(slider, TBM_SETRANGEMAX, FALSE, known ? maximum : 0);
        SendMessageW(slider, TBM_SETPOS, TRUE, known ? value : 0);
        SetDlgItemTextW(window_, field.edit, known ? std::to_wstring(value).c_str() : L"");
        // A camera without the property: nothing to change.
        EnableWindow(slider, known ? TRUE : FALSE);
        EnableWindow(GetDlgItem(window_, field.edit), known ? TRUE : FALSE);
    }
    showing_ = false;
}

void CameraPropertyPage::OnEditChanged(const Field& field)
{
    if (showing_)
    {
        return;
    }
    // Only a whole number of the slider's range counts ("-" on the way to "-5" does not).
    const std::wstring text = ItemText(window_, field.edit);
    wchar_t* end = nullptr;
    errno = 0;
    const long value = std::wcstol(text.c_str(), &end, 10);
    const HWND slider = GetDlgItem(window_, field.slider);
    if (text.empty() || *end != L'\0' || errno == ERANGE ||
        value < SendMessageW(slider, TBM_GETRANGEMIN, 0, 0) ||
        value > SendMessageW(slider, TBM_GETRANGEMAX, 0, 0))
    {
        return;
    }
    SendMessageW(slider, TBM_SETPOS, TRUE, value);
    Change(field, value);
}

void CameraPropertyPage::OnSliderMoved(const Field& field)
{
    if (showing_)
    {
        return;
    }
    const auto position = static_cast<long>(SendDlgItemMessageW(window_, field.slider, TBM_GETPOS, 0, 0));
    showing_ = true;
    SetDlgItemTextW(window_, field.edit, std::to_wstring(position).c_str());
    showing_ = false;
    Change(field, position);
}

void CameraPropertyPage::Change(const Field& field, long value)
{
    if (FAILED(Set(field, value)))
    {
        // The page shows what the camera kept.
        ShowValues();
    }
}

} // namespace VirtualCamera
