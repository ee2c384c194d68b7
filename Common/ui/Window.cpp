#include "Common/ui/Window.h"

#include "Common/Exception.h"
#include "Common/ui/BindableBase.h"
#include "Common/ui/ErrorReporter.h"

#include <commctrl.h>
#include <windowsx.h>

#include <utility>
#include <vector>

namespace Common::Mfc
{

namespace
{
constexpr UINT_PTR SubclassId = 1;
constexpr DWORD SlideMilliseconds = 200;

POINT PointOf(LPARAM lParam)
{
    return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}
} // namespace

void ThrowLastErrorIf(bool failed, std::source_location where)
{
    if (failed)
    {
        const DWORD error = GetLastError();
        throw Exception(error != 0 ? HRESULT_FROM_WIN32(error) : static_cast<HRESULT>(E_FAIL), where);
    }
}

// ---- errors out of handlers ----

void Window::SetExceptionReporter(ExceptionReporter reporter)
{
    ErrorReporter::SetPresenter(std::move(reporter));
}

void Window::ReportException(HWND owner, std::exception_ptr error) noexcept
{
    ErrorReporter::Post(owner, std::move(error));
}

UINT Window::GetPropertyChangedMessage()
{
    // Registered, so that no window's own WM_APP messages (a plug-in
    // page's, for one) are ever read as a notification.
    static const UINT message = []
    {
        const UINT registered = RegisterWindowMessageW(L"TavixCapture.PropertyChanged");
        return registered != 0 ? registered : static_cast<UINT>(WM_APP + 0x3FFF);
    }();
    return message;
}

// ---- life ----

Window::~Window()
{
    DestroyWindow();
}

HWND Window::Detach()
{
    if (subclassed_)
    {
        RemoveWindowSubclass(handle_, &Window::SubclassProc, SubclassId);
        subclassed_ = false;
    }
    if (created_)
    {
        SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
        created_ = false;
    }
    return std::exchange(handle_, nullptr);
}

void Window::CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style,
                      const RECT& rect, HWND parent, UINT_PTR id, HCURSOR cursor, UINT classStyle)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    if (GetClassInfoExW(instance, className, &windowClass) == FALSE)
    {
        windowClass.cbSize = sizeof(windowClass);
        windowClass.style = classStyle;
        windowClass.lpfnWndProc = &Window::StaticWindowProc;
        windowClass.hInstance = instance;
        windowClass.hCursor = cursor != nullptr ? cursor : LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = className;
        ThrowLastErrorIf(RegisterClassExW(&windowClass) == 0);
    }
    const HWND handle =
        CreateWindowExW(exStyle, className, title, style, rect.left, rect.top, rect.right - rect.left,
                        rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(id), instance, this);
    ThrowLastErrorIf(handle == nullptr);
}

void Window::Subclass(HWND handle)
{
    ThrowIfFalse(handle != nullptr && handle_ == nullptr);
    ThrowIfFalse(
        SetWindowSubclass(handle, &Window::SubclassProc, SubclassId, reinterpret_cast<DWORD_PTR>(this)));
    handle_ = handle;
    subclassed_ = true;
}

void Window::DestroyWindow() noexcept
{
    if (handle_ == nullptr)
    {
        return;
    }
    if (created_)
    {
        // WM_NCDESTROY clears the handle.
        ::DestroyWindow(handle_);
    }
    else if (subclassed_)
    {
        Detach();
    }
}

void Window::OnCreated(HWND handle) noexcept
{
    handle_ = handle;
    created_ = true;
}

void Window::OnFinalMessage() noexcept
{
    Detach();
}

// ---- message routing ----

LRESULT CALLBACK Window::StaticWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* window = reinterpret_cast<Window*>(GetWindowLongPtrW(handle, GWLP_USERDATA));
    if (message == WM_NCCREATE)
    {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        window = static_cast<Window*>(create->lpCreateParams);
        SetWindowLongPtrW(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
        window->OnCreated(handle);
    }
    if (window == nullptr)
    {
        return DefWindowProcW(handle, message, wParam, lParam);
    }
    bool handled = false;
    LRESULT result = window->RouteMessage(message, wParam, lParam, handled);
    if (!handled)
    {
        result = window->DefaultProc(message, wParam, lParam);
    }
    if (message == WM_NCDESTROY)
    {
        window->OnFinalMessage();
    }
    return result;
}

LRESULT CALLBACK Window::SubclassProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                      DWORD_PTR data)
{
    auto* window = reinterpret_cast<Window*>(data);
    bool handled = false;
    LRESULT result = window->RouteMessage(message, wParam, lParam, handled);
    if (!handled)
    {
        result = DefSubclassProc(handle, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY)
    {
        window->OnFinalMessage();
    }
    return result;
}

LRESULT Window::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (subclassed_)
    {
        return DefSubclassProc(handle_, message, wParam, lParam);
    }
    return DefWindowProcW(handle_, message, wParam, lParam);
}

LRESULT Window::RouteMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled)
{
    handled = true;
    try
    {
        if (message == GetPropertyChangedMessage())
        {
            const auto id = static_cast<std::int32_t>(lParam);
            // Taken from the queue: the sender may post this id again, also
            // while it is handled, so a frame arriving now is not missed.
            auto* sender = reinterpret_cast<BindableBase*>(wParam);
            if (sender != nullptr && !AcknowledgesLater(id))
            {
                sender->AcknowledgeNotification(this, id);
            }
            OnPropertyChanged(id);
            return 0;
        }
        LRESULT result = 0;
        if (OnMessage(message, wParam, lParam, result))
        {
            return result;
        }
    }
    catch (...)
    {
        ReportException(handle_, std::current_exception());
        // A window whose creation failed is not created.
        return message == WM_CREATE ? -1 : 0;
    }
    handled = false;
    return 0;
}

bool Window::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    result = 0;
    switch (message)
    {
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SIZE:
        return OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
    case WM_TIMER:
        return OnTimer(static_cast<UINT_PTR>(wParam));
    case WM_PAINT:
        return OnPaint();
    case WM_DESTROY:
        return OnDestroy();
    case WM_HSCROLL:
    case WM_VSCROLL:
        return OnScroll(message == WM_HSCROLL ? SB_HORZ : SB_VERT, LOWORD(wParam),
                        static_cast<short>(HIWORD(wParam)), reinterpret_cast<HWND>(lParam));
    case WM_LBUTTONDOWN:
        return OnLButtonDown(static_cast<UINT>(wParam), PointOf(lParam));
    case WM_LBUTTONUP:
        return OnLButtonUp(static_cast<UINT>(wParam), PointOf(lParam));
    case WM_LBUTTONDBLCLK:
        return OnLButtonDblClk(static_cast<UINT>(wParam), PointOf(lParam));
    case WM_MOUSEMOVE:
        return OnMouseMove(static_cast<UINT>(wParam), PointOf(lParam));
    case WM_MOUSEWHEEL:
        return OnMouseWheel(GET_KEYSTATE_WPARAM(wParam), GET_WHEEL_DELTA_WPARAM(wParam), PointOf(lParam));
    case WM_MOUSELEAVE:
        return OnMouseLeave();
    default:
        return false;
    }
}

bool Window::OnCommand(int, int, HWND)
{
    return false;
}

bool Window::OnSize(UINT, int, int)
{
    return false;
}

bool Window::OnTimer(UINT_PTR)
{
    return false;
}

bool Window::OnScroll(int, int, int, HWND)
{
    return false;
}

bool Window::OnLButtonDown(UINT, POINT)
{
    return false;
}

bool Window::OnLButtonUp(UINT, POINT)
{
    return false;
}

bool Window::OnLButtonDblClk(UINT, POINT)
{
    return false;
}

bool Window::OnMouseMove(UINT, POINT)
{
    return false;
}

bool Window::OnMouseWheel(UINT, int, POINT)
{
    return false;
}

// ---- thin calls ----

RECT Window::GetClientRect() const
{
    RECT rect = {};
    ThrowLastErrorIf(::GetClientRect(handle_, &rect) == FALSE);
    return rect;
}

RECT Window::GetWindowRect() const
{
    RECT rect = {};
    ThrowLastErrorIf(::GetWindowRect(handle_, &rect) == FALSE);
    return rect;
}

RECT Window::GetRectInParent() const
{
    RECT rect = GetWindowRect();
    const HWND parent = ::GetParent(handle_);
    // Two points: left-top and right-bottom (mirroring aware).
    SetLastError(0);
    const int mapped = MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    ThrowLastErrorIf(mapped == 0 && GetLastError() != 0);
    return rect;
}

void Window::MoveWindow(int x, int y, int width, int height, bool repaint)
{
    ThrowLastErrorIf(::MoveWindow(handle_, x, y, width, height, repaint ? TRUE : FALSE) == FALSE);
}

void Window::SetWindowText(const std::wstring& text)
{
    ThrowLastErrorIf(::SetWindowTextW(handle_, text.c_str()) == FALSE);
}

std::wstring Window::GetWindowText() const
{
    const int length = ::GetWindowTextLengthW(handle_);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(handle_, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

void Window::Invalidate(bool erase)
{
    ThrowLastErrorIf(::InvalidateRect(handle_, nullptr, erase ? TRUE : FALSE) == FALSE);
}

HWND Window::GetDlgItem(int id) const
{
    const HWND item = ::GetDlgItem(handle_, id);
    ThrowLastErrorIf(item == nullptr);
    return item;
}

void Window::SetTimer(UINT_PTR id, UINT milliseconds)
{
    ThrowLastErrorIf(::SetTimer(handle_, id, milliseconds, nullptr) == 0);
}

bool Window::KillTimer(UINT_PTR id) noexcept
{
    return ::KillTimer(handle_, id) != FALSE;
}

WINDOWPLACEMENT Window::GetWindowPlacement() const
{
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    ThrowLastErrorIf(::GetWindowPlacement(handle_, &placement) == FALSE);
    return placement;
}

void Window::SetWindowPlacement(const WINDOWPLACEMENT& placement)
{
    WINDOWPLACEMENT copy = placement;
    copy.length = sizeof(copy);
    ThrowLastErrorIf(::SetWindowPlacement(handle_, &copy) == FALSE);
}

void Window::ReleaseCapture()
{
    // Fails only when no window of this thread holds the capture.
    ::ReleaseCapture();
}

void Window::TrackMouseLeave()
{
    TRACKMOUSEEVENT track = {};
    track.cbSize = sizeof(track);
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = handle_;
    track.dwHoverTime = HOVER_DEFAULT;
    ThrowLastErrorIf(::TrackMouseEvent(&track) == FALSE);
}

SCROLLINFO Window::GetScrollInfo(int bar) const
{
    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    if (::GetScrollInfo(handle_, bar, &info) == FALSE)
    {
        // A window without that bar: everything is zero.
        info = {};
        info.cbSize = sizeof(info);
    }
    return info;
}

void Window::SetScrollInfo(int bar, const SCROLLINFO& info, bool redraw)
{
    SCROLLINFO copy = info;
    copy.cbSize = sizeof(copy);
    ::SetScrollInfo(handle_, bar, &copy, redraw ? TRUE : FALSE);
}

int Window::SetScrollPos(int bar, int position, bool redraw)
{
    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_POS;
    info.nPos = position;
    return ::SetScrollInfo(handle_, bar, &info, redraw ? TRUE : FALSE);
}

int Window::GetScrollPos(int bar) const
{
    return GetScrollInfo(bar).nPos;
}

int Window::GetScrollLimit(int bar) const
{
    const SCROLLINFO info = GetScrollInfo(bar);
    const int page = info.nPage > 0 ? static_cast<int>(info.nPage) - 1 : 0;
    return info.nMax - page;
}

void Window::Slide(bool show, DWORD direction, bool activate)
{
    const bool visibleNow = (::GetWindowLongPtrW(handle_, GWL_STYLE) & WS_VISIBLE) != 0;
    if (visibleNow == show)
    {
        return;
    }
    const HWND parent = ::GetParent(handle_);
    const bool parentVisible = parent == nullptr || ::IsWindowVisible(parent) != FALSE;
    const DWORD flags = AW_SLIDE | direction | (show ? (activate ? AW_ACTIVATE : 0) : AW_HIDE);
    if (!parentVisible || ::AnimateWindow(handle_, SlideMilliseconds, flags) == FALSE)
    {
        // Nothing to animate on a hidden parent, or the platform declined the
        // animation (remote sessions): the state matters, not the effect.
        ::ShowWindow(handle_, show ? (activate ? SW_SHOW : SW_SHOWNA) : SW_HIDE);
    }
}

} // namespace Common::Mfc
