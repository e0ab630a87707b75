#pragma once
// The program's icons (":/icons/<name>.svg"): start, stop, copy, settings, image_params and
// the program icon veltor.

// Makes the icons available; call it before the first icon is loaded. Calling it again does
// nothing. (Resources in a static library are otherwise dropped by the linker.)
void LoadIconResources();
