#pragma once

#include <windows.h>

// True only for a command line equal to "/NotifMode", the letters A-Z compared without case.
// Anything more (a trailing blank, a further argument) means interactive mode.
bool IsNotifModeCommandLine(LPCWSTR commandLine);
