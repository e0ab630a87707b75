#pragma once
// The one place where a failed user command is reported.

class QWidget;

// Reports the exception in flight: call it only from inside a catch handler (outside one it does
// nothing). A stop or a transport failure shows nothing, the program's own exceptions show their
// text, anything else a generic text; at most one error box owned by the active window. Never
// throws.
void ReportCurrentException() noexcept;

// Brings `window` forward (a flash when the program is not active) and then reports the exception
// in flight as above: how a long run that failed tells the user.
void ReportFailure(QWidget* window) noexcept;
