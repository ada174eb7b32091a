#pragma once

#include <functional>

class QWidget;

namespace ui {

// Runs `then` once, just after `window`'s first frame is on screen: queued behind the handling of
// its first expose, which draws and flushes the frame. What the first frame does not show waits
// for this, so the window appears as soon as it can. Asked before the window is first shown.
void afterFirstFrame(QWidget *window, std::function<void()> then);

// With PARLOTTE_FIRST_FRAME_FD set to an open descriptor (bench_startup's pipe), writes there,
// once the first frame is drawn, one line: the peak resident memory so far in kB, the CPU time
// used so far in microseconds, and the part of it spent on the calling (window) thread. Without
// it, does nothing.
void reportFirstFrame(QWidget *window);

} // namespace ui
