#pragma once
// The frame a window manager puts around a top-level window is known only once the window is on
// screen: until then frameGeometry() is the bare client area. Placing a window by its frame
// therefore waits for its first exposure.

#include <functional>

class QWidget;

// Calls `place` once `window` (a top-level widget) has been framed: at once when it is already
// on screen, else when the window system first exposes it. The call is dropped if the window is
// destroyed first.
void WhenFramed(QWidget* window, std::function<void()> place);
