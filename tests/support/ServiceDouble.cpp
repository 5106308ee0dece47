#include "ServiceDouble.h"

#include "SettingsKey.h"
#include "service/UpdateServiceContract.h"

#include <gtest/gtest.h>

namespace kesh_test {

ServiceDouble::ServiceDouble(const Options& options)
    : m_options(options),
      m_request(::CreateEventW(nullptr, FALSE, FALSE, kCheckForUpdateEventName)),
      m_response(options.createResponseEvent ? ::CreateEventW(nullptr, FALSE, FALSE, kServerResponseEventName)
                                             : nullptr),
      m_quit(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_requestSeen(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_answered(::CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    EXPECT_TRUE(m_request);
    m_thread = std::thread([this] { Run(); });
}

ServiceDouble::~ServiceDouble()
{
    ::SetEvent(m_quit.get());
    m_thread.join();
}

void ServiceDouble::Run()
{
    for (;;) {
        const HANDLE waitFor[] = { m_quit.get(), m_request.get() };
        if (::WaitForMultipleObjects(2, waitFor, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return;
        ::SetEvent(m_requestSeen.get());
        if (!m_options.answerRequests) continue;
        if (m_options.delayMs && ::WaitForSingleObject(m_quit.get(), m_options.delayMs) != WAIT_TIMEOUT) return;
        SetSettingString(kServerResponseValueName, m_options.answer);
        if (m_response) ::SetEvent(m_response.get());
        ::SetEvent(m_answered.get());
    }
}

bool ServiceDouble::WaitForRequest(DWORD timeoutMs) const
{
    return ::WaitForSingleObject(m_requestSeen.get(), timeoutMs) == WAIT_OBJECT_0;
}

bool ServiceDouble::WaitForAnswer(DWORD timeoutMs) const
{
    return ::WaitForSingleObject(m_answered.get(), timeoutMs) == WAIT_OBJECT_0;
}

void ServiceDouble::SetResponseNow() const
{
    if (m_response) ::SetEvent(m_response.get());
}

}  // namespace kesh_test
