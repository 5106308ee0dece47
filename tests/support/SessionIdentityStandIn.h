#pragma once
// Who the program is and whose session it stands in, as a test wants it, in place for as long as
// the object lives (one at a time). Each call is the platform's own, which under Wine always
// succeeds (the session's user is the caller's own token), unless a setting says otherwise; what
// the program asks is recorded.

#include "session/SessionIdentity.h"

#include <string>
#include <vector>

namespace kesh_test {

// A SID as text ("S-1-5-18"); empty when it cannot be converted.
std::wstring SidText(PSID sid);

class SessionIdentityStandIn {
public:
    SessionIdentityStandIn();
    ~SessionIdentityStandIn();
    SessionIdentityStandIn(const SessionIdentityStandIn&) = delete;
    SessionIdentityStandIn& operator=(const SessionIdentityStandIn&) = delete;

    // ---- what the platform answers
    DWORD ownSession = 0;  // not 0: the session this process is in (not the console's)
    bool userSignedIn = true;
    bool environmentAvailable = true;
    enum class Processes { Started, Recorded, Refused };
    Processes processes = Processes::Started;  // Recorded: two events stand for process and thread
    bool impersonationWorks = true;
    bool localSystem = false;

    // ---- what the program asked
    DWORD sessionAskedForProcess = 0;
    int tokenQueries = 0;
    ULONG tokenAskedForSession = 0;
    HANDLE token = nullptr;  // the last one handed out
    LPVOID environment = nullptr;
    int environmentsDestroyed = 0;
    LPVOID destroyedEnvironment = nullptr;
    struct CreateCall {
        HANDLE token;
        std::wstring application;
        bool applicationNull;
        std::wstring commandLine;
        bool processAttributesNull, threadAttributesNull;
        BOOL inherit;
        DWORD flags;
        LPVOID environment;
        bool currentDirectoryNull;
        DWORD startupSize, startupFlags;
        std::wstring desktop;
    };
    std::vector<CreateCall> created;
    HANDLE processHandle = nullptr, threadHandle = nullptr;  // the last ones handed out
    int reverts = 0;

private:
    static SessionIdentityStandIn* s_current;
    SessionIdentityApi m_api;
    ScopedSessionIdentityOverride m_use;
};

}  // namespace kesh_test
