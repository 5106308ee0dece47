#include "session/ProcessComSecurity.h"

#include "win32/AccessDescriptor.h"
#include "win32/Token.h"

namespace {

// Set while a ProcessComSecurity of this process admits the session's user.
bool g_sessionUserAdmitted = false;

// Who may call in: the descriptor. The process's own calls: identify-level impersonation, so a
// server it calls can learn it is LocalSystem but cannot act as it; no server started in its
// identity (activate-as-activator), so LocalSystem's token starts nothing of anyone else's; and
// no custom unmarshalling, so an interface a caller passes in cannot name a DLL for this process
// to load.
HRESULT SetComSecurity(PSECURITY_DESCRIPTOR callers)
{
    return Seam<ComSecurityApi>::Current().CoInitializeSecurity(callers, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT, RPC_C_IMP_LEVEL_IDENTIFY,
                                    nullptr, EOAC_DISABLE_AAA | EOAC_NO_CUSTOM_MARSHAL, nullptr);
}

}  // namespace

const ComSecurityApi& ComSecurityApi::Platform()
{
    static const ComSecurityApi api = { &::CoInitializeSecurity };
    return api;
}

ProcessComSecurity::ProcessComSecurity(const SessionIdentityApi& api)
{
    g_sessionUserAdmitted = false;
    if (!api.ProcessIsLocalSystem()) return;
    m_comStarted = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    const ScopedHandle token = QueryOwnSessionUserToken(api);
    std::vector<BYTE> user = token ? TokenUserSid(token.get()) : std::vector<BYTE>();
    // With nobody signed in the process still admits LocalSystem alone.
    std::vector<BYTE> system = WellKnownSid(WinLocalSystemSid);
    UserAndSystemDescriptor descriptor(user.empty() ? nullptr : user.data(), COM_RIGHTS_EXECUTE | COM_RIGHTS_EXECUTE_LOCAL,
                                       SYSTEM_MANDATORY_LABEL_NO_EXECUTE_UP, system.empty() ? nullptr : system.data());
    const bool set = descriptor.get() && SUCCEEDED(SetComSecurity(descriptor.get()));
    g_sessionUserAdmitted = set && !user.empty();
}

ProcessComSecurity::~ProcessComSecurity()
{
    g_sessionUserAdmitted = false;
    if (m_comStarted) ::CoUninitialize();
}

bool OwnComObjectsMayLeaveTheProcess(const SessionIdentityApi& api)
{
    return g_sessionUserAdmitted || !api.ProcessIsLocalSystem();
}
