#include "session/ProcessComSecurity.h"

#include "win32/Token.h"

namespace {

std::vector<BYTE> WellKnownSid(WELL_KNOWN_SID_TYPE type)
{
    std::vector<BYTE> sid(SECURITY_MAX_SID_SIZE);
    DWORD bytes = SECURITY_MAX_SID_SIZE;
    if (!::CreateWellKnownSid(type, nullptr, sid.data(), &bytes)) return {};
    sid.resize(bytes);
    return sid;
}

// Set while a ProcessComSecurity of this process admits the session's user.
bool g_sessionUserAdmitted = false;

// Who may call in: the descriptor. The process's own calls: identify-level impersonation, so a
// server it calls can learn it is LocalSystem but cannot act as it; no server started in its
// identity (activate-as-activator), so LocalSystem's token starts nothing of anyone else's; and
// no custom unmarshalling, so an interface a caller passes in cannot name a DLL for this process
// to load.
HRESULT SetComSecurity(const ConsoleSessionApi& api, PSECURITY_DESCRIPTOR callers)
{
    return api.CoInitializeSecurity(callers, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT, RPC_C_IMP_LEVEL_IDENTIFY,
                                    nullptr, EOAC_DISABLE_AAA | EOAC_NO_CUSTOM_MARSHAL, nullptr);
}

}  // namespace

ComCallerDescriptor::ComCallerDescriptor(PSID user)
    : m_system(WellKnownSid(WinLocalSystemSid)), m_medium(WellKnownSid(WinMediumLabelSid))
{
    if (m_system.empty() || m_medium.empty() || (user && !::IsValidSid(user))) return;
    const DWORD aceBase = sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD);
    m_dacl.resize(sizeof(ACL) + aceBase + m_system.size() + (user ? aceBase + ::GetLengthSid(user) : 0));
    m_sacl.resize(sizeof(ACL) + sizeof(SYSTEM_MANDATORY_LABEL_ACE) - sizeof(DWORD) + m_medium.size());
    auto* dacl = reinterpret_cast<PACL>(m_dacl.data());
    auto* sacl = reinterpret_cast<PACL>(m_sacl.data());
    const DWORD rights = COM_RIGHTS_EXECUTE | COM_RIGHTS_EXECUTE_LOCAL;
    m_valid = ::InitializeSecurityDescriptor(&m_descriptor, SECURITY_DESCRIPTOR_REVISION) &&
              ::InitializeAcl(dacl, static_cast<DWORD>(m_dacl.size()), ACL_REVISION) &&
              (!user || ::AddAccessAllowedAce(dacl, ACL_REVISION, rights, user)) &&
              ::AddAccessAllowedAce(dacl, ACL_REVISION, rights, m_system.data()) &&
              ::InitializeAcl(sacl, static_cast<DWORD>(m_sacl.size()), ACL_REVISION) &&
              ::AddMandatoryAce(sacl, ACL_REVISION, 0, SYSTEM_MANDATORY_LABEL_NO_EXECUTE_UP, m_medium.data()) &&
              ::SetSecurityDescriptorOwner(&m_descriptor, m_system.data(), FALSE) &&
              ::SetSecurityDescriptorGroup(&m_descriptor, m_system.data(), FALSE) &&
              ::SetSecurityDescriptorDacl(&m_descriptor, TRUE, dacl, FALSE) &&
              ::SetSecurityDescriptorSacl(&m_descriptor, TRUE, sacl, FALSE);
}

ProcessComSecurity::ProcessComSecurity(const ConsoleSessionApi& api)
{
    g_sessionUserAdmitted = false;
    if (!api.ProcessIsLocalSystem()) return;
    m_comStarted = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    const ScopedHandle token(QueryOwnSessionUserToken(api));
    std::vector<BYTE> user = token ? TokenUserSid(token.get()) : std::vector<BYTE>();
    // With nobody signed in the process still admits LocalSystem alone.
    ComCallerDescriptor descriptor(user.empty() ? nullptr : user.data());
    const bool set = descriptor.get() && SUCCEEDED(SetComSecurity(api, descriptor.get()));
    g_sessionUserAdmitted = set && !user.empty();
}

ProcessComSecurity::~ProcessComSecurity()
{
    g_sessionUserAdmitted = false;
    if (m_comStarted) ::CoUninitialize();
}

bool OwnComObjectsMayLeaveTheProcess(const ConsoleSessionApi& api)
{
    return g_sessionUserAdmitted || !api.ProcessIsLocalSystem();
}
