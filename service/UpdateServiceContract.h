#pragma once
// What this program and the update service share, by name. The service creates both events and
// writes the response value; this program sets the request, waits on the response and reads it.

#include "product/ProductIdentity.h"  // the shared key's values

// Set once per interactive check; opened for EVENT_MODIFY_STATE.
inline constexpr wchar_t kCheckForUpdateEventName[] = L"Global\\VornService_KESH_CheckForUpdate";

// Signalled by the service once LastSrvrRespWL holds its answer; opened for SYNCHRONIZE.
inline constexpr wchar_t kServerResponseEventName[] = L"Global\\VornService_KESH_ServerResponseReceived";


// The command line with which the service starts this program to announce a newer package.
inline constexpr wchar_t kNotifModeSwitch[] = L"/NotifMode";
