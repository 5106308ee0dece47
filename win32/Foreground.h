#pragma once
// Bringing a window to the user.

#include <windows.h>

// Restores `window` if minimised and brings it to the front with the keyboard. Where the
// foreground is refused (this process was not given the right to take it), the taskbar button
// calls the user until the window is in front.
void BringWindowToFront(HWND window);
