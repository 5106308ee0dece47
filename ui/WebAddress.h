#pragma once

#include <windows.h>

// True for an address that may be handed to a browser: it starts with "http://" or "https://"
// (scheme without case) and holds no double quote, no control character and no blank. A valid
// address carries none of them raw, and each could let it break out of the quotes around a
// command-line argument or be read as more than one.
bool IsOpenableWebAddress(LPCWSTR address);
