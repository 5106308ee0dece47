// The check handshake against real named events: the window's status texts, the application
// state, and the waiter's life, with the service played by a thread of this process.

#include "Probe.h"
#include "app/KeshUIApp.h"
#include "app/UpdateSettings.h"
#include "service/UpdateCheckHandshake.h"
#include "service/UpdateServiceContract.h"
#include "support/TestSupport.h"
#include "ui/KeshUIDlg.h"
#include "ui/WindowTexts.h"
#include "ui/res/resource.h"

#include <gtest/gtest.h>

using namespace kesh_test;

namespace {

using Texts = std::vector<std::wstring>;

void CloseWithEscape(HWND window)
{
    ASSERT_TRUE(probe::Activate(window));
    probe::PressKey(VK_ESCAPE);
}

class Handshake : public testing::Test {
protected:
    SettingsKeyGuard m_key;
    CKeshUIApp m_app;  // interactive: m_bNotifMode stays 0
};

}  // namespace

TEST_F(Handshake, ServiceNotRunningSaysNoConnectionAtOnce)
{
    StatusTextRecorder texts;
    CKeshUIDlg dialog;
    const ModalOutcome outcome = RunDialog(dialog, CloseWithEscape);
    EXPECT_EQ(IDCANCEL, outcome.result);
    EXPECT_EQ(Texts{ kStatusNoConnection }, texts.Texts());
    EXPECT_EQ(kStatusNoConnection, texts.TextWhenShown());
}

TEST_F(Handshake, PromptAnswerChangesTheTextOnceToTheOutcome)
{
    const struct {
        const char* name;
        std::wstring answer;
        std::wstring outcomeText;
        bool updateAvailable;
        std::wstring response;
    } cases[] = {
        { "nothing newer", L"", kStatusLatestVersion, false, L"" },
        { "newer package", L"https://example.com/pkg?v=2", kStatusNewerPackage, true, L"https://example.com/pkg?v=2" },
        { "newer package, padded", L" \thttp://x/y \r\n", kStatusNewerPackage, true, L"http://x/y" },
        { "only blanks", L"   ", kStatusLatestVersion, false, L"" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_app.m_bUpdateAvailable = !c.updateAvailable;  // proves the handler sets it either way
        m_app.m_strServerResponse = L"stale";
        ServiceDouble service({ c.answer });
        StatusTextRecorder texts;
        CKeshUIDlg dialog;
        ULONGLONG answeredAt = 0;
        RunDialog(dialog, [&](HWND window) {
            EXPECT_TRUE(service.WaitForAnswer(5000));
            answeredAt = ::GetTickCount64();
            EXPECT_TRUE(probe::WaitForControlText(window, IDC_STATUS, c.outcomeText, 5000));
            EXPECT_LT(::GetTickCount64() - answeredAt, 1000u);
            CloseWithEscape(window);
        });
        EXPECT_EQ((Texts{ kStatusChecking, c.outcomeText }), texts.Texts());
        EXPECT_EQ(kStatusChecking, texts.TextWhenShown());
        EXPECT_EQ(c.updateAvailable, m_app.m_bUpdateAvailable);
        EXPECT_EQ(c.response, std::wstring(m_app.m_strServerResponse));
    }
}

TEST_F(Handshake, UnreadableAnswerCountsAsNothingNewer)
{
    // A stored answer of the wrong type, reported as an answer: the window says there is nothing
    // newer and forgets an earlier address.
    const DWORD dword = 7;
    SetSettingRaw(kServerResponseValueName, REG_DWORD, &dword, sizeof(dword));
    m_app.m_bUpdateAvailable = true;
    m_app.m_strServerResponse = L"http://earlier";
    CKeshUIDlg dialog;
    RunDialog(dialog, [&](HWND window) {
        ::PostMessageW(window, WM_SERVER_RESPONSE, 1, 0);
        ASSERT_TRUE(probe::WaitForControlText(window, IDC_STATUS, kStatusLatestVersion, 5000));
        CloseWithEscape(window);
    });
    EXPECT_FALSE(m_app.m_bUpdateAvailable);
    EXPECT_TRUE(m_app.m_strServerResponse.IsEmpty());
}

TEST_F(Handshake, NoAnswerInTimeSaysNoConnectionAndIgnoresALateAnswer)
{
    // The program's own time-out stays 60 s; this window waits 300 ms.
    ASSERT_EQ(60000u, kServerResponseTimeoutMs);
    ServiceDouble service({ L"http://late/answer", true, true, 1200 });
    StatusTextRecorder texts;
    CKeshUIDlg dialog(300);
    RunDialog(dialog, [&](HWND window) {
        EXPECT_TRUE(probe::WaitForControlText(window, IDC_STATUS, kStatusNoConnection, 5000));
        ASSERT_TRUE(service.WaitForAnswer(5000));
        // Input comes after posted messages: a late report would be handled before this key.
        CloseWithEscape(window);
    });
    EXPECT_EQ((Texts{ kStatusChecking, kStatusNoConnection }), texts.Texts());
    EXPECT_FALSE(m_app.m_bUpdateAvailable);
    EXPECT_TRUE(m_app.m_strServerResponse.IsEmpty());
}

TEST_F(Handshake, MissingResponseEventLeavesTheCheckingTextButStillSendsTheRequest)
{
    ServiceDouble service({ L"http://x", false });
    StatusTextRecorder texts;
    CKeshUIDlg dialog(200);
    RunDialog(dialog, [&](HWND window) {
        EXPECT_TRUE(service.WaitForRequest(5000));
        // No waiter exists, so neither an answer nor a time-out can ever be reported.
        EXPECT_EQ(nullptr, dialog.m_hWaitThread.get());
        EXPECT_EQ(nullptr, dialog.m_hStopEvent.get());
        EXPECT_EQ(kStatusChecking, probe::ControlText(window, IDC_STATUS));
        CloseWithEscape(window);
    });
    EXPECT_EQ(Texts{ kStatusChecking }, texts.Texts());
}

TEST_F(Handshake, ClosingDuringTheWaitStopsAndJoinsTheWaiterAtOnce)
{
    ServiceDouble service({ L"http://x", true, false });
    StatusTextRecorder texts;
    CKeshUIDlg dialog;  // the full 60 s time-out
    ULONGLONG closedAt = 0;
    const ModalOutcome outcome = RunDialog(dialog, [&](HWND window) {
        ASSERT_TRUE(service.WaitForRequest(5000));
        EXPECT_NE(nullptr, dialog.m_hWaitThread.get());
        ASSERT_TRUE(probe::Activate(window));
        closedAt = ::GetTickCount64();
        probe::PressKey(VK_ESCAPE);
    });
    EXPECT_LT(::GetTickCount64() - closedAt, 2000u);
    EXPECT_EQ(IDCANCEL, outcome.result);
    EXPECT_EQ(nullptr, dialog.m_hWaitThread.get());
    EXPECT_EQ(nullptr, dialog.m_hStopEvent.get());
    EXPECT_EQ(nullptr, dialog.m_hResponseEvent.get());
    service.SetResponseNow();
    EXPECT_EQ(Texts{ kStatusChecking }, texts.Texts());
}

namespace {

// Receives what the waiter posts, without a dialog around it.
class PostTarget {
public:
    PostTarget()
        : m_window(::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr))
    {
    }
    ~PostTarget() { ::DestroyWindow(m_window); }
    HWND Window() const { return m_window; }
    // The WM_SERVER_RESPONSE messages waiting in the queue, as their wParam values.
    std::vector<WPARAM> Posted() const
    {
        std::vector<WPARAM> posted;
        MSG message;
        while (::PeekMessageW(&message, m_window, WM_SERVER_RESPONSE, WM_SERVER_RESPONSE, PM_REMOVE)) {
            posted.push_back(message.wParam);
        }
        return posted;
    }

private:
    HWND m_window;
};

}  // namespace

TEST(ResponseWaiter, ReportsTheResponseTheTimeOutOrNothingWhenStopped)
{
    const struct {
        const char* name;
        bool stop;
        bool response;
        std::vector<WPARAM> posted;
    } cases[] = {
        { "response", false, true, { 1 } },
        { "time-out", false, false, { 0 } },
        { "stopped", true, false, {} },
        { "both signalled: the stop wins", true, true, {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PostTarget target;
        CKeshUIDlg dialog(50);
        dialog.m_hWnd = target.Window();
        dialog.m_hStopEvent.reset(::CreateEventW(nullptr, TRUE, c.stop, nullptr));
        dialog.m_hResponseEvent.reset(::CreateEventW(nullptr, TRUE, c.response, nullptr));
        EXPECT_EQ(0u, CKeshUIDlg::ResponseWaiterProc(&dialog));
        EXPECT_EQ(c.posted, target.Posted());
        dialog.StopResponseWaiter();
        dialog.m_hWnd = nullptr;
    }
}

TEST(ResponseWaiter, StoppingIsHarmlessWithoutACheckAndWhenRepeated)
{
    CKeshUIDlg dialog;
    dialog.StopResponseWaiter();
    dialog.StopResponseWaiter();
    EXPECT_EQ(nullptr, dialog.m_hWaitThread.get());
    EXPECT_EQ(nullptr, dialog.m_hStopEvent.get());
    EXPECT_EQ(nullptr, dialog.m_hResponseEvent.get());
}
