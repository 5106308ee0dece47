#include "SessionIdentityStandIn.h"

#include "Probe.h"

#include <sddl.h>

#include <cwchar>

namespace kesh_test {

std::wstring SidText(PSID sid)
{
    LPWSTR text = nullptr;
    if (!::ConvertSidToStringSidW(sid, &text)) return std::wstring();
    const std::wstring copy = text;
    ::LocalFree(text);
    return copy;
}

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

SessionIdentityStandIn* SessionIdentityStandIn::s_current = nullptr;

SessionIdentityStandIn::SessionIdentityStandIn()
    : m_api([] {
          SessionIdentityApi api = PlatformSessionIdentity();
          api.ProcessIdToSessionId = [](DWORD processId, DWORD* session) -> BOOL {
              SessionIdentityStandIn& self = *s_current;
              self.sessionAskedForProcess = processId;
              if (self.ownSession == 0 || processId != ::GetCurrentProcessId()) {
                  return PlatformSessionIdentity().ProcessIdToSessionId(processId, session);
              }
              *session = self.ownSession;
              return TRUE;
          };
          api.QueryUserToken = [](ULONG session, PHANDLE token) -> BOOL {
              SessionIdentityStandIn& self = *s_current;
              ++self.tokenQueries;
              self.tokenAskedForSession = session;
              if (!self.userSignedIn || !::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, token)) return FALSE;
              self.token = *token;
              return TRUE;
          };
          api.CreateEnvironmentBlock = [](LPVOID* environment, HANDLE token, BOOL inherit) -> BOOL {
              SessionIdentityStandIn& self = *s_current;
              if (!self.environmentAvailable || !PlatformSessionIdentity().CreateEnvironmentBlock(environment, token, inherit)) {
                  return FALSE;
              }
              self.environment = *environment;
              return TRUE;
          };
          api.DestroyEnvironmentBlock = [](LPVOID environment) -> BOOL {
              ++s_current->environmentsDestroyed;
              s_current->destroyedEnvironment = environment;
              return PlatformSessionIdentity().DestroyEnvironmentBlock(environment);
          };
          api.CreateProcessAsUser = [](HANDLE token, LPCWSTR application, LPWSTR commandLine, LPSECURITY_ATTRIBUTES pa,
                                       LPSECURITY_ATTRIBUTES ta, BOOL inherit, DWORD flags, LPVOID environment,
                                       LPCWSTR directory, LPSTARTUPINFOW startup, LPPROCESS_INFORMATION info) -> BOOL {
              SessionIdentityStandIn& self = *s_current;
              commandLine[std::wcslen(commandLine)] = L'\0';  // the platform may write into the buffer: it must be ours
              self.created.push_back({ token, application ? application : L"", application == nullptr, commandLine,
                                       pa == nullptr, ta == nullptr, inherit, flags, environment, directory == nullptr,
                                       startup->cb, startup->dwFlags, startup->lpDesktop ? startup->lpDesktop : L"" });
              if (self.processes == Processes::Refused) return FALSE;
              if (self.processes == Processes::Started) {
                  if (!PlatformSessionIdentity().CreateProcessAsUser(token, application, commandLine, pa, ta, inherit, flags,
                                                                       environment, directory, startup, info)) {
                      return FALSE;
                  }
              } else {
                  info->hProcess = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
                  info->hThread = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
              }
              self.processHandle = info->hProcess;
              self.threadHandle = info->hThread;
              return TRUE;
          };
          api.ImpersonateLoggedOnUser = [](HANDLE token) -> BOOL {
              return s_current->impersonationWorks && PlatformSessionIdentity().ImpersonateLoggedOnUser(token);
          };
          api.RevertToSelf = []() -> BOOL {
              ++s_current->reverts;
              return PlatformSessionIdentity().RevertToSelf();
          };
          api.ProcessIsLocalSystem = [] { return s_current->localSystem; };
          api.CoInitializeSecurity = [](PSECURITY_DESCRIPTOR descriptor, LONG services, SOLE_AUTHENTICATION_SERVICE*,
                                        void*, DWORD authentication, DWORD impersonation, void*, DWORD capabilities,
                                        void*) -> HRESULT {
              SessionIdentityStandIn& self = *s_current;
              ++self.comSecurityCalls;
              self.updateWindowExistedAtComSecurity = probe::FindUpdateWindow(::GetCurrentProcessId()) != nullptr;
              wchar_t arguments[96] = {};
              swprintf(arguments, 96, L"services=%ld authentication=%lu impersonation=%lu capabilities=0x%lX", services,
                       authentication, impersonation, capabilities);
              self.comSecurityArguments = arguments;
              self.comSecurityDescriptor = DescriptorText(descriptor);
              return self.comSecurityResult;
          };
          api.QueryUserNotificationState = [](QUERY_USER_NOTIFICATION_STATE* state) -> HRESULT {
              SessionIdentityStandIn& self = *s_current;
              ++self.stateQueries;
              HANDLE token = nullptr;
              if (::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) {
                  ++self.stateQueriesAsTheUser;
                  ::CloseHandle(token);
              }
              *state = self.notificationState;
              return self.notificationStateResult;
          };
          api.ShellTaskbarExists = [] { return s_current->taskbar; };
          api.ReadQuietHoursProfile = [](DWORD& profile) {
              profile = static_cast<DWORD>(s_current->quietHours.load());
              return s_current->quietHours >= 0;
          };
          api.ForegroundWindowCoversItsMonitor = [] { return s_current->foregroundCoversItsMonitor; };
          return api;
      }()),
      m_use(m_api)
{
    s_current = this;
}

SessionIdentityStandIn::~SessionIdentityStandIn()
{
    s_current = nullptr;
}

}  // namespace kesh_test
