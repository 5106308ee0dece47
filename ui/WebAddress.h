#pragma once

#include <windows.h>

// True for an address that may be handed to a browser: it starts with "http://" or "https://"
// (scheme without case) and holds no double quote, which no valid address contains and which
// would let it break out of the quotes around a command-line argument.
bool IsOpenableWebAddress(LPCWSTR address);
