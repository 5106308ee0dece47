#pragma once
// Bringing a window of ours to the user, also from the user's side of an integrity level.

#include <windows.h>

// Restores `window` if minimised and brings it to the front with the keyboard. Where the
// foreground is refused (this process was not given the right to take it), the taskbar button
// calls the user until the window is in front.
void BringWindowToFront(HWND window);

// Lets `message` reach `window` from processes below this one's integrity level (UIPI): the
// user's, when this process runs as LocalSystem. For the one window from Windows 7 on, for the
// whole process on Vista.
void LetThroughFromBelow(HWND window, UINT message);
