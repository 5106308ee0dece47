/* A proxy DLL for the toast activator's interface, made from widl's output, for tests: under
   Wine a call from another process to ToastHost.exe's activator needs it. Registered with
   regsvr32 (DllRegisterServer). widl's stubs use the compiler's exception blocks; a test proxy
   needs no protection against a failing call, so they become plain blocks. */
#define USE_COMPILER_EXCEPTIONS
#define __try if (1)
#define __except(filter) else
#define __finally
#define REGISTER_PROXY_DLL
#define PROXY_CLSID_IS { 0x53e31837, 0x6600, 0x4a81, { 0x93, 0x95, 0x75, 0xcf, 0xfe, 0x74, 0x6f, 0x94 } }
#include "ActivationCallback_p.c"
#include "ActivationCallback_i.c"
#include "dlldata.c"
