#include "app/KeshUIApp.h"

// The one application object of KeshUI.exe, constructed before wWinMain runs.
// A throw here could not be caught; the constructor only sets a flag and its strings start empty.
CKeshUIApp theApp;  // NOLINT(cert-err58-cpp)
