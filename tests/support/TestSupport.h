#pragma once
// The tests' helpers, each job in a file of its own: programs started (Processes), the build's
// files (Files), this thread's messages handled while waiting (MessagePumping), the shared
// registry key (SettingsKey), the Windows version Wine reports (WinePrefix), the update service
// in-process (ServiceDouble), the window driven as a user would (WindowDriver), records of calls
// Wine cannot show (CallRecorders), the URL capture (UrlCapture), the toast library's doubles
// (ToastDoubles), the platform's toast classes (ToastPlatform) and its part of a toast's click
// (ToastClickThroughTheActivator), the alerts screen readers hear (Alerts). The seams' stand-ins
// are SessionIdentityStandIn.h, UserStateStandIn.h and ComSecurityStandIn.h.

#include "Alerts.h"
#include "product/ProductIdentity.h"
#include "CallRecorders.h"
#include "Files.h"
#include "MessagePumping.h"
#include "Processes.h"
#include "ServiceDouble.h"
#include "SettingsKey.h"
#include "ToastClickThroughTheActivator.h"
#include "ToastDoubles.h"
#include "ToastPlatform.h"
#include "UrlCapture.h"
#include "WindowDriver.h"
#include "WinePrefix.h"
