#pragma once
// The update service, played in the test's own process on the real named events.

#include "win32/ScopedHandle.h"

#include <windows.h>

#include <string>
#include <thread>

namespace kesh_test {

// Creates the service's named events and answers requests on a thread of its own: it waits for
// the request, stores the answer (unless told not to), and sets the response event.
class ServiceDouble {
public:
    struct Options {
        std::wstring answer;
        bool createResponseEvent = true;
        bool answerRequests = true;  // false: requests are seen, never answered
        DWORD delayMs = 0;
    };
    explicit ServiceDouble(const Options& options);
    ~ServiceDouble();

    bool WaitForRequest(DWORD timeoutMs) const;  // the program set the request event
    bool WaitForAnswer(DWORD timeoutMs) const;   // the double has set the response event
    void SetResponseNow() const;                 // signals the response event directly
    HANDLE RequestEvent() const { return m_request.get(); }

private:
    void Run();
    Options m_options;
    ScopedHandle m_request, m_response, m_quit, m_requestSeen, m_answered;
    std::thread m_thread;
};

}  // namespace kesh_test
