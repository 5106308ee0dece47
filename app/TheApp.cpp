#include "app/KeshUIApp.h"

// The one application object of KeshUI.exe, constructed before wWinMain runs.
CKeshUIApp theApp;
