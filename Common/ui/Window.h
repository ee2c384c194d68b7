// Common::Mfc::Window: one native window and the one place its messages
// arrive. The static window procedure finds the object through the creation
// parameter (kept in the window's user data) and hands every message to
// RouteMessage: the model's change notification (a registered message, first
// parameter the sender, second the property id) is acknowledged to its sender (see
// BindableBase) and goes to OnPropertyChanged, everything else
// to the virtual OnMessage, whose default splits the common messages into
// typed handlers. A handler returns false to leave the message to the
// default processing. An exception that leaves a handler is posted to the
// ErrorReporter (shown later, from the loop, once) and never crosses the
// platform.
//
// The object does not own an attached handle (Attach); it owns a window it
// created (CreateEx) or subclassed (Subclass) and destroys or unhooks it when
// it is destroyed itself. Derived classes whose OnDestroy matters destroy the
// window in their own destructor (DestroyWindow), while they still exist.
// UI thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <source_location>
#include <string>

namespace Common::Mfc
{

// Raises Exception with the calling thread's last error (E_FAIL when the
// platform set none) when `failed` is true.
void ThrowLastErrorIf(bool failed, std::source_location where = std::source_location::current());

class Window
{
public:
    // The model's change notification: a registered message (the same in
    // every module of the process), wParam = sender, lParam = id. WM_APP and
    // above stay free for windows' own messages.
    static UINT GetPropertyChangedMessage();

    // How an error box shows an error (ErrorReporter::Presenter); owner is
    // the window whose handler failed.
    using ExceptionReporter = std::function<void(HWND owner, const std::exception_ptr& error)>;
    static void SetExceptionReporter(ExceptionReporter reporter);
    // Posts an error to the ErrorReporter: shown later, never from this stack.
    static void ReportException(HWND owner, std::exception_ptr error) noexcept;

    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // The native handle, or null while the window does not exist.
    HWND GetSafeHwnd() const { return handle_; }

    // Refers to a window owned elsewhere (a dialog item, a test's window);
    // its messages are not routed to this object.
    void Attach(HWND handle) { handle_ = handle; }
    HWND Detach();

    // Registers (once per process) a window class whose windows route their
    // messages to their object, and creates a window of it with this object.
    void CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style,
                  const RECT& rect, HWND parent, UINT_PTR id, HCURSOR cursor = nullptr,
                  UINT classStyle = CS_DBLCLKS);
    // Routes the messages of an existing window (a control) through this
    // object; default processing is the window's own procedure.
    void Subclass(HWND handle);
    // Destroys the window this object created; nothing when there is none.
    void DestroyWindow() noexcept;

    // --- thin checked calls on the handle ---
    RECT GetClientRect() const;
    RECT GetWindowRect() const;
    // The window rectangle in the client coordinates of its parent.
    RECT GetRectInParent() const;
    void MoveWindow(int x, int y, int width, int height, bool repaint = true);
    void SetWindowText(const std::wstring& text);
    std::wstring GetWindowText() const;
    void Show(int command) { ::ShowWindow(handle_, command); }
    bool IsVisible() const { return ::IsWindowVisible(handle_) != FALSE; }
    void Enable(bool enable) { ::EnableWindow(handle_, enable ? TRUE : FALSE); }
    void Invalidate(bool erase = true);
    HWND GetDlgItem(int id) const;
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageW(handle_, message, wParam, lParam);
    }

    // Timers of this window: a repeating timer by id.
    void SetTimer(UINT_PTR id, UINT milliseconds);
    // Stops the timer; false when it was not running.
    bool KillTimer(UINT_PTR id) noexcept;

    WINDOWPLACEMENT GetWindowPlacement() const;
    void SetWindowPlacement(const WINDOWPLACEMENT& placement);

    // Mouse capture and a WM_MOUSELEAVE request for this window.
    void SetCapture() { ::SetCapture(handle_); }
    static void ReleaseCapture();
    void TrackMouseLeave();

    // Scroll bar of this window (SB_HORZ or SB_VERT).
    SCROLLINFO GetScrollInfo(int bar) const;
    void SetScrollInfo(int bar, const SCROLLINFO& info, bool redraw = true);
    // Sets the position (the platform keeps it within the range); returns it.
    int SetScrollPos(int bar, int position, bool redraw = true);
    int GetScrollPos(int bar) const;
    // The largest position the bar allows: max - max(page - 1, 0).
    int GetScrollLimit(int bar) const;

    // Slides the window in or out over 200 ms. `direction` is AW_HOR_POSITIVE,
    // AW_HOR_NEGATIVE, AW_VER_POSITIVE or AW_VER_NEGATIVE. Nothing happens
    // when the window is already in that state; a window whose parent is not
    // visible is shown or hidden at once. `activate` activates a window
    // slid in.
    void Slide(bool show, DWORD direction, bool activate = false);

protected:
    // Typed handlers of the default OnMessage; true: handled.
    virtual void OnPropertyChanged(std::int32_t id) { static_cast<void>(id); }
    // True for a coalesced id that this window acknowledges itself, once it
    // has shown what the notification announced (a frame: after the paint).
    // Until then no other notification of the id is posted to it, so a window
    // that paints slower than frames arrive is not kept painting without end,
    // starving its neighbours' paints and the user's input.
    virtual bool AcknowledgesLater(std::int32_t id) const
    {
        static_cast<void>(id);
        return false;
    }
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    virtual bool OnCommand(int id, int code, HWND control);
    virtual bool OnSize(UINT type, int width, int height);
    virtual bool OnTimer(UINT_PTR id);
    virtual bool OnPaint() { return false; }
    virtual bool OnDestroy() { return false; }
    virtual bool OnScroll(int bar, int request, int position, HWND control);
    virtual bool OnLButtonDown(UINT flags, POINT point);
    virtual bool OnLButtonUp(UINT flags, POINT point);
    virtual bool OnLButtonDblClk(UINT flags, POINT point);
    virtual bool OnMouseMove(UINT flags, POINT point);
    // `delta` is signed, 120 a notch; `screenPoint` in screen coordinates.
    virtual bool OnMouseWheel(UINT flags, int delta, POINT screenPoint);
    virtual bool OnMouseLeave() { return false; }

    // The default processing of a message for this kind of window.
    virtual LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Where every message of a routed window arrives (dialogs too).
    LRESULT RouteMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    // For window kinds with their own procedure (dialogs): the window now
    // exists and is owned by this object; it ends with WM_NCDESTROY.
    void OnCreated(HWND handle) noexcept;
    void OnFinalMessage() noexcept;

private:
    static LRESULT CALLBACK StaticWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SubclassProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data);

    HWND handle_ = nullptr;
    bool created_ = false;    // this object created the window
    bool subclassed_ = false; // this object subclassed the window
};

} // namespace Common::Mfc
