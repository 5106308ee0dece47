#include "win32/AccessDescriptor.h"

std::vector<BYTE> WellKnownSid(WELL_KNOWN_SID_TYPE type)
{
    std::vector<BYTE> sid(SECURITY_MAX_SID_SIZE);
    DWORD bytes = SECURITY_MAX_SID_SIZE;
    if (!::CreateWellKnownSid(type, nullptr, sid.data(), &bytes)) return {};
    sid.resize(bytes);
    return sid;
}

UserAndSystemDescriptor::UserAndSystemDescriptor(PSID user, ACCESS_MASK rights, DWORD labelPolicy, bool ownedBySystem)
    : m_system(WellKnownSid(WinLocalSystemSid)), m_medium(WellKnownSid(WinMediumLabelSid))
{
    if (m_system.empty() || m_medium.empty() || (user && !::IsValidSid(user))) return;
    const DWORD aceBase = sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD);
    m_dacl.resize(sizeof(ACL) + aceBase + m_system.size() + (user ? aceBase + ::GetLengthSid(user) : 0));
    m_sacl.resize(sizeof(ACL) + sizeof(SYSTEM_MANDATORY_LABEL_ACE) - sizeof(DWORD) + m_medium.size());
    auto* dacl = reinterpret_cast<PACL>(m_dacl.data());
    auto* sacl = reinterpret_cast<PACL>(m_sacl.data());
    m_valid = ::InitializeSecurityDescriptor(&m_descriptor, SECURITY_DESCRIPTOR_REVISION) &&
              ::InitializeAcl(dacl, static_cast<DWORD>(m_dacl.size()), ACL_REVISION) &&
              (!user || ::AddAccessAllowedAce(dacl, ACL_REVISION, rights, user)) &&
              ::AddAccessAllowedAce(dacl, ACL_REVISION, rights, m_system.data()) &&
              ::InitializeAcl(sacl, static_cast<DWORD>(m_sacl.size()), ACL_REVISION) &&
              ::AddMandatoryAce(sacl, ACL_REVISION, 0, labelPolicy, m_medium.data()) &&
              (!ownedBySystem || (::SetSecurityDescriptorOwner(&m_descriptor, m_system.data(), FALSE) &&
                                  ::SetSecurityDescriptorGroup(&m_descriptor, m_system.data(), FALSE))) &&
              ::SetSecurityDescriptorDacl(&m_descriptor, TRUE, dacl, FALSE) &&
              ::SetSecurityDescriptorSacl(&m_descriptor, TRUE, sacl, FALSE);
}
