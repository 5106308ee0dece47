#include "SessionIdentityStandIn.h"

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


SessionIdentityStandIn* SessionIdentityStandIn::s_current = nullptr;

SessionIdentityStandIn::SessionIdentityStandIn()
    : m_api([] {
          SessionIdentityApi api = SessionIdentityApi::Platform();
          api.ProcessIdToSessionId = [](DWORD processId, DWORD* session) -> BOOL {
              SessionIdentityStandIn& self = *s_current;
              self.sessionAskedForProcess = processId;
              if (self.ownSession == 0 || processId != ::GetCurrentProcessId()) {
                  return SessionIdentityApi::Platform().ProcessIdToSessionId(processId, session);
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
              if (!self.environmentAvailable || !SessionIdentityApi::Platform().CreateEnvironmentBlock(environment, token, inherit)) {
                  return FALSE;
              }
              self.environment = *environment;
              return TRUE;
          };
          api.DestroyEnvironmentBlock = [](LPVOID environment) -> BOOL {
              ++s_current->environmentsDestroyed;
              s_current->destroyedEnvironment = environment;
              return SessionIdentityApi::Platform().DestroyEnvironmentBlock(environment);
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
                  if (!SessionIdentityApi::Platform().CreateProcessAsUser(token, application, commandLine, pa, ta, inherit, flags,
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
              return s_current->impersonationWorks && SessionIdentityApi::Platform().ImpersonateLoggedOnUser(token);
          };
          api.RevertToSelf = []() -> BOOL {
              ++s_current->reverts;
              return SessionIdentityApi::Platform().RevertToSelf();
          };
          api.ProcessIsLocalSystem = [] { return s_current->localSystem; };
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
