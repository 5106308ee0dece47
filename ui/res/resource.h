// Identifiers of the program's own resources and controls (shared by C++ and the resource script).
#define IDD_UPDATE_DIALOG 102
#define IDR_MAINFRAME 128
#define IDB_CLOSE 137
#define IDC_TITLE 1010
#define IDC_STATUS 1011
#define IDC_CLOSE 1017
