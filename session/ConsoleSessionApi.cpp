#include "session/ConsoleSessionApi.h"

#include <userenv.h>
#include <wtsapi32.h>

namespace {
const ConsoleSessionApi* g_current = nullptr;
}

const ConsoleSessionApi& PlatformConsoleSessionApi()
{
    static const ConsoleSessionApi api = {
        &::WTSGetActiveConsoleSessionId,
        &::WTSQueryUserToken,
        &::CreateEnvironmentBlock,
        &::DestroyEnvironmentBlock,
        &::CreateProcessAsUserW,
        &::ImpersonateLoggedOnUser,
        &::RevertToSelf,
    };
    return api;
}

const ConsoleSessionApi& CurrentConsoleSessionApi()
{
    return g_current ? *g_current : PlatformConsoleSessionApi();
}

ScopedConsoleSessionApiOverride::ScopedConsoleSessionApiOverride(const ConsoleSessionApi& api)
    : m_previous(g_current)
{
    g_current = &api;
}

ScopedConsoleSessionApiOverride::~ScopedConsoleSessionApiOverride()
{
    g_current = m_previous;
}

HANDLE QueryConsoleUserToken(const ConsoleSessionApi& api)
{
    HANDLE token = nullptr;
    if (!api.QueryUserToken(api.GetActiveConsoleSessionId(), &token)) return nullptr;
    return token;
}
