#include "session/ProcessComSecurity.h"

#include "framework/ScopedHandle.h"

namespace {

std::vector<BYTE> WellKnownSid(WELL_KNOWN_SID_TYPE type)
{
    std::vector<BYTE> sid(SECURITY_MAX_SID_SIZE);
    DWORD bytes = SECURITY_MAX_SID_SIZE;
    if (!::CreateWellKnownSid(type, nullptr, sid.data(), &bytes)) return {};
    sid.resize(bytes);
    return sid;
}

// The SID of the token's user, copied.
std::vector<BYTE> TokenUserSid(HANDLE token)
{
    DWORD bytes = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &bytes);
    if (bytes == 0) return {};
    std::vector<BYTE> buffer(bytes);
    if (!::GetTokenInformation(token, TokenUser, buffer.data(), bytes, &bytes)) return {};
    const PSID sid = reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid;
    std::vector<BYTE> copy(::GetLengthSid(sid));
    if (!::CopySid(static_cast<DWORD>(copy.size()), copy.data(), sid)) return {};
    return copy;
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

bool AdmitOnlyTheSessionUserToComCalls(const ConsoleSessionApi& api)
{
    if (!api.ProcessIsLocalSystem()) return true;
    const ScopedHandle token(QueryOwnSessionUserToken(api));
    std::vector<BYTE> user = token ? TokenUserSid(token.get()) : std::vector<BYTE>();
    ComCallerDescriptor descriptor(user.empty() ? nullptr : user.data());
    return descriptor.get() && SUCCEEDED(api.InitializeComSecurity(descriptor.get()));
}
