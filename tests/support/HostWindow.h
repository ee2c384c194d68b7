// A plain window that holds the window under test, at the screen's top-left
// corner. It is a child of one visible top-level window that the test
// program keeps for its whole run: Wine without a window manager takes two
// seconds to hide a top-level window, a child goes at once. UI thread.
#pragma once

#include "Common/ui/Window.h"

namespace TestSupport
{

class HostWindow : public Common::Mfc::Window
{
public:
    // Client area (and window) of width x height pixels at screen (0, 0).
    HostWindow(int width, int height);
    ~HostWindow() override;
};

} // namespace TestSupport
