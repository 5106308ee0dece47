#include "session/SessionIdentity.h"

#include "win32/Token.h"

#include <userenv.h>
#include <wtsapi32.h>

#include <vector>

namespace {

bool ProcessRunsAsLocalSystem()
{
    // A process that cannot read its own token is treated as LocalSystem: the safe answer, since
    // it only means that nothing is opened in the process's own context.
    std::vector<BYTE> user = ProcessUserSid();
    return user.empty() || ::IsWellKnownSid(user.data(), WinLocalSystemSid) != FALSE;
}

}  // namespace

const SessionIdentityApi& SessionIdentityApi::Platform()
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
    };
    return api;
}

ScopedHandle QueryOwnSessionUserToken(const SessionIdentityApi& api)
{
    DWORD session = 0;
    ScopedHandle token;
    if (!api.ProcessIdToSessionId(::GetCurrentProcessId(), &session) || !api.QueryUserToken(session, token.receive())) {
        return ScopedHandle();
    }
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
