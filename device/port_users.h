#pragma once
// Who else has a port open, seen through /proc.

#include <sys/types.h>

// Whether a process other than this one has the terminal device `device` (a st_rdev) open.
// Only processes whose descriptors we may read are seen: our own user's, or all as root. A
// process that also holds the master of the same pseudo-terminal is the line's far end (a
// simulator, a terminal emulator), not another user of the port.
bool PortOpenElsewhere(dev_t device);
