#include "session/SessionIdentity.h"

#include "win32/NotificationState.h"
#include "win32/Token.h"

#include <objbase.h>
#include <userenv.h>
#include <wtsapi32.h>

#include <vector>

namespace {

const SessionIdentityApi* g_current = nullptr;

bool ProcessRunsAsLocalSystem()
{
    // A process that cannot read its own token is treated as LocalSystem: the safe answer, since
    // it only means that nothing is opened in the process's own context.
    std::vector<BYTE> user = ProcessUserSid();
    return user.empty() || ::IsWellKnownSid(user.data(), WinLocalSystemSid) != FALSE;
}

}  // namespace

const SessionIdentityApi& PlatformSessionIdentity()
{
    static const SessionIdentityApi api = {
        &::ProcessIdToSessionId,
        &::WTSQueryUserToken,
        &::CreateEnvironmentBlock,
        &::DestroyEnvironmentBlock,
        &::CreateProcessAsUserW,
        &::ImpersonateLoggedOnUser,
        &::RevertToSelf,
        &ProcessRunsAsLocalSystem,
        &::CoInitializeSecurity,
        &::SHQueryUserNotificationState,
        &::ShellTaskbarExists,
        &::ReadQuietHoursProfile,
        &::ForegroundWindowCoversItsMonitor,
    };
    return api;
}

const SessionIdentityApi& CurrentSessionIdentity()
{
    return g_current ? *g_current : PlatformSessionIdentity();
}

ScopedSessionIdentityOverride::ScopedSessionIdentityOverride(const SessionIdentityApi& api)
    : m_previous(g_current)
{
    g_current = &api;
}

ScopedSessionIdentityOverride::~ScopedSessionIdentityOverride()
{
    g_current = m_previous;
}

HANDLE QueryOwnSessionUserToken(const SessionIdentityApi& api)
{
    DWORD session = 0;
    if (!api.ProcessIdToSessionId(::GetCurrentProcessId(), &session)) return nullptr;
    HANDLE token = nullptr;
    if (!api.QueryUserToken(session, &token)) return nullptr;
    return token;
}

ActingAsSessionUser::ActingAsSessionUser(const SessionIdentityApi& api)
    : m_api(api), m_token(QueryOwnSessionUserToken(api))
{
    m_impersonating = m_token && api.ImpersonateLoggedOnUser(m_token.get());
}

ActingAsSessionUser::~ActingAsSessionUser()
{
    if (m_impersonating) m_api.RevertToSelf();
}
