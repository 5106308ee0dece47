#include "ComSecurityStandIn.h"

#include "Probe.h"
#include "SessionIdentityStandIn.h"

#include <sddl.h>

#include <cwchar>

namespace kesh_test {

namespace {

std::wstring DescriptorText(PSECURITY_DESCRIPTOR descriptor)
{
    if (!descriptor) return L"?";
    LPWSTR text = nullptr;
    const SECURITY_INFORMATION parts = OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    std::wstring result = ::ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, parts,
                                                                                 &text, nullptr)
                              ? text
                              : L"?";
    ::LocalFree(text);
    BOOL present = FALSE, defaulted = FALSE;
    PACL sacl = nullptr;
    SYSTEM_MANDATORY_LABEL_ACE* label = nullptr;
    if (::GetSecurityDescriptorSacl(descriptor, &present, &sacl, &defaulted) && present && sacl &&
        ::GetAce(sacl, 0, reinterpret_cast<void**>(&label)) && label->Header.AceType == SYSTEM_MANDATORY_LABEL_ACE_TYPE) {
        result += L"S:(ML;;" + std::to_wstring(label->Mask) + L";;;" + SidText(&label->SidStart) + L")";
    }
    return result;
}

}  // namespace

ComSecurityStandIn* ComSecurityStandIn::s_current = nullptr;

ComSecurityStandIn::ComSecurityStandIn()
    : m_api({ [](PSECURITY_DESCRIPTOR descriptor, LONG services, SOLE_AUTHENTICATION_SERVICE*, void*,
                 DWORD authentication, DWORD impersonation, void*, DWORD capabilities, void*) -> HRESULT {
          ComSecurityStandIn& self = *s_current;
          ++self.comSecurityCalls;
          self.updateWindowExistedAtComSecurity = probe::FindUpdateWindow(::GetCurrentProcessId()) != nullptr;
          wchar_t arguments[96] = {};
          swprintf(arguments, 96, L"services=%ld authentication=%lu impersonation=%lu capabilities=0x%lX", services,
                   authentication, impersonation, capabilities);
          self.comSecurityArguments = arguments;
          self.comSecurityDescriptor = DescriptorText(descriptor);
          return self.comSecurityResult;
      } }),
      m_use(m_api)
{
    s_current = this;
}

ComSecurityStandIn::~ComSecurityStandIn()
{
    s_current = nullptr;
}

}  // namespace kesh_test
