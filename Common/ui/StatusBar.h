// Common::Mfc::StatusBar: the status bar at the bottom of a window: panes of
// fixed width, each with its own text. The object owns the control (it is
// destroyed with its parent) through a subclass, so the handle is cleared
// when the control goes. UI thread.
#pragma once

#include "Common/ui/Window.h"

#include <initializer_list>
#include <string>

namespace Common::Mfc
{

class StatusBar : public Window
{
public:
    // The control id of a program's one status bar.
    static constexpr UINT_PTR StandardId = 0xE801;

    // A visible child of `parent` at its bottom edge, with a top border.
    void Create(HWND parent, UINT_PTR id = StandardId);
    // Panes of the given widths in pixels, left to right.
    void SetPanes(std::initializer_list<int> widths);
    int GetPaneCount() const;
    // Replaces the pane's text and repaints the bar at once.
    void SetPaneText(int pane, const std::wstring& text);
    std::wstring GetPaneText(int pane) const;
};

} // namespace Common::Mfc
