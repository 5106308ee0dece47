#include "win32/AccessDescriptor.h"

#include <aclapi.h>

std::vector<BYTE> WellKnownSid(WELL_KNOWN_SID_TYPE type)
{
    std::vector<BYTE> sid(SECURITY_MAX_SID_SIZE);
    DWORD bytes = SECURITY_MAX_SID_SIZE;
    if (!::CreateWellKnownSid(type, nullptr, sid.data(), &bytes)) return {};
    sid.resize(bytes);
    return sid;
}

UserAndSystemDescriptor::UserAndSystemDescriptor(PSID user, ACCESS_MASK rights, DWORD labelPolicy, PSID owner)
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
              (!owner || (::SetSecurityDescriptorOwner(&m_descriptor, owner, FALSE) &&
                          ::SetSecurityDescriptorGroup(&m_descriptor, owner, FALSE))) &&
              ::SetSecurityDescriptorDacl(&m_descriptor, TRUE, dacl, FALSE) &&
              ::SetSecurityDescriptorSacl(&m_descriptor, TRUE, sacl, FALSE);
}

bool MadeByUserOrSystem(HANDLE object, PSID user)
{
    PSID owner = nullptr;
    PACL sacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION | LABEL_SECURITY_INFORMATION, &owner,
                          nullptr, nullptr, &sacl, &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    bool trusted = owner && (::IsWellKnownSid(owner, WinLocalSystemSid) || (user && ::EqualSid(owner, user)));
    for (DWORD i = 0; trusted && sacl && i < sacl->AceCount; ++i) {
        const ACE_HEADER* ace = nullptr;
        if (!::GetAce(sacl, i, reinterpret_cast<void**>(const_cast<ACE_HEADER**>(&ace))) ||
            ace->AceType != SYSTEM_MANDATORY_LABEL_ACE_TYPE) {
            continue;
        }
        const PSID label = const_cast<DWORD*>(&reinterpret_cast<const SYSTEM_MANDATORY_LABEL_ACE*>(ace)->SidStart);
        const DWORD level = *::GetSidSubAuthority(label, *::GetSidSubAuthorityCount(label) - 1u);
        trusted = level >= SECURITY_MANDATORY_MEDIUM_RID;
    }
    ::LocalFree(descriptor);
    return trusted;
}

void LetUserQueryThisProcess(PSID user)
{
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!user || ::GetSecurityInfo(::GetCurrentProcess(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                   &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
        return;
    }
    EXPLICIT_ACCESSW access = {};
    access.grfAccessPermissions = PROCESS_QUERY_LIMITED_INFORMATION;
    access.grfAccessMode = GRANT_ACCESS;
    access.grfInheritance = NO_INHERITANCE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_USER;
    access.Trustee.ptstrName = static_cast<LPWSTR>(user);
    PACL updated = nullptr;
    if (::SetEntriesInAclW(1, &access, dacl, &updated) == ERROR_SUCCESS) {
        ::SetSecurityInfo(::GetCurrentProcess(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, updated,
                          nullptr);
        ::LocalFree(updated);
    }
    ::LocalFree(descriptor);
}
