#pragma once
// The one place where a failed user command is reported.

// Reports the exception in flight: call it only from inside a catch handler (outside one it does
// nothing). A stop or a transport failure shows nothing, the program's own exceptions show their
// text, anything else a generic text; at most one error box owned by the active window. Never
// throws.
void ReportCurrentException() noexcept;
