#pragma once
// The registry key shared with the update service: its latest server response, and the
// response this program last showed in notification mode.

#include "framework/CString.h"
#include "product/ProductIdentity.h"


// A string value of the key, white space trimmed; empty on every failure (missing key or value,
// a type other than REG_SZ/REG_EXPAND_SZ, malformed data, more than 255 characters).
CString ReadUpdateSetting(LPCWSTR valueName);

// Stores Last_KESHUI_WL as REG_SZ with its terminator, creating the key when missing.
bool WriteLastShownResponse(LPCWSTR text);
