// The toast-library adapter with real DLL loading: doubles of the library are put next to this
// test program (where the adapter looks) and record every call, its arguments, its thread and
// whether the thread was impersonating.

#include "Probe.h"
#include "app/KeshUIApp.h"
#include "session/NotifWrapper.h"
#include "support/SessionIdentityStandIn.h"
#include "support/TestSupport.h"
#include "ui/KeshUIDlg.h"
#include "ui/WindowTexts.h"
#include "ui/res/resource.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace kesh_test;

namespace {

using Calls = std::vector<std::wstring>;

std::wstring ThisThread()
{
    return L" thread=" + std::to_wstring(::GetCurrentThreadId());
}

std::wstring DisplayCall(HWND owner)
{
    wchar_t ownerText[32];
    wsprintfW(ownerText, L"%p", static_cast<void*>(owner));
    return std::wstring(L"DisplayToastNotification title=[") + kWindowTitle + L"] text=[" + kToastText + L"] aumid=[" +
           kAppUserModelId + L"] owner=" + ownerText;
}

bool AllLoaded(const CNotifWrapper& adapter)
{
    return adapter.m_hModule && adapter.m_pfnInit && adapter.m_pfnUnInit && adapter.m_pfnDisplayToastNotification &&
           adapter.m_pfnGetVisibility;
}

bool NoneLoaded(const CNotifWrapper& adapter)
{
    return !adapter.m_hModule && !adapter.m_pfnInit && !adapter.m_pfnUnInit && !adapter.m_pfnDisplayToastNotification &&
           !adapter.m_pfnGetVisibility;
}

bool ToastLibraryLoaded()
{
    return ::GetModuleHandleW(kToastLibraryFileName) != nullptr;
}

class ToastAdapter : public testing::Test {
protected:
    CKeshUIApp m_app;
};

}  // namespace

TEST_F(ToastAdapter, CompleteLibraryIsInitialisedAskedAndShownThenReleased)
{
    ToastDouble library(L"complete", ExeDirectory());
    const std::wstring me = ThisThread();
    CWnd owner(reinterpret_cast<HWND>(0x12345));
    m_app.m_pMainWnd = &owner;
    {
        CNotifWrapper adapter;
        EXPECT_TRUE(AllLoaded(adapter));
        EXPECT_TRUE(ToastLibraryLoaded());
        adapter.ShowToast();
    }
    EXPECT_FALSE(ToastLibraryLoaded());
    EXPECT_EQ((Calls{ L"attach" + me + L" impersonating=0", L"Init" + me + L" impersonating=0",
                      L"GetVisibility" + me + L" impersonating=1",
                      DisplayCall(reinterpret_cast<HWND>(0x12345)) + me + L" impersonating=1",
                      L"UnInit window=0" + me + L" impersonating=0", L"detach" + me + L" impersonating=0" }),
              library.Calls());
    EXPECT_FALSE(::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, nullptr)) << "still impersonating";
}

TEST_F(ToastAdapter, LibraryThatIsNotReadyOrIncompleteIsUnloadedAtOnce)
{
    const struct {
        const wchar_t* variant;
        Calls calls;
    } cases[] = {
        { L"init_fails", { L"attach", L"Init", L"detach" } },
        { L"no_getvisibility", { L"attach", L"detach" } },  // Init is never called
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.variant, c.variant + wcslen(c.variant)));
        ToastDouble library(c.variant, ExeDirectory());
        {
            CNotifWrapper adapter;
            EXPECT_TRUE(NoneLoaded(adapter));
            EXPECT_FALSE(ToastLibraryLoaded());
            adapter.ShowToast();  // does nothing
        }
        Calls names;
        for (const std::wstring& call : library.Calls()) names.push_back(call.substr(0, call.find(L' ')));
        EXPECT_EQ(c.calls, names) << "UnInit must never follow a failed Init";
    }
}

TEST_F(ToastAdapter, ToastOnlyWhenTheVisibilityQueryWorksAndSaysSo)
{
    const struct {
        const wchar_t* variant;
        bool toast;
    } cases[] = {
        { L"visible_10", true }, { L"visible_01", true }, { L"visible_11", true },
        { L"visible_00", false }, { L"visibility_fails", false },  // fails although both would say yes
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.variant, c.variant + wcslen(c.variant)));
        ToastDouble library(c.variant, ExeDirectory());
        {
            CNotifWrapper adapter;
            adapter.ShowToast();
        }
        Calls names;
        for (const std::wstring& call : library.Calls()) names.push_back(call.substr(0, call.find(L' ')));
        Calls expected = { L"attach", L"Init", L"GetVisibility" };
        if (c.toast) expected.push_back(L"DisplayToastNotification");
        expected.insert(expected.end(), { L"UnInit", L"detach" });
        EXPECT_EQ(expected, names);
    }
}

TEST_F(ToastAdapter, WithoutTheSessionsUserTheToastIsStillTriedInTheProgramsOwnContext)
{
    const struct {
        const char* name;
        bool token, impersonation;
        int reverts;
        const wchar_t* impersonating;
    } cases[] = {
        { "nobody at the console", false, false, 0, L"impersonating=0" },
        { "impersonation fails", true, false, 0, L"impersonating=0" },
        { "impersonation works", true, true, 1, L"impersonating=1" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ToastDouble library(L"visible_11", ExeDirectory());
        SessionIdentityStandIn session;
        session.ownSession = 9;  // not the console's
        session.userSignedIn = c.token;
        session.impersonationWorks = c.impersonation;
        {
            CNotifWrapper adapter;
            adapter.ShowToast();
            EXPECT_EQ(9u, session.tokenAskedForSession) << "the user of the program's own session";
            EXPECT_EQ(c.reverts, session.reverts) << "RevertToSelf only after a successful impersonation";
            if (c.token) {
                DWORD flags = 0;
                EXPECT_FALSE(::GetHandleInformation(session.token, &flags)) << "the token is closed in any case";
            }
        }
        const Calls calls = library.Calls();
        ASSERT_EQ(6u, calls.size());
        EXPECT_EQ(0u, calls[2].find(L"GetVisibility"));
        EXPECT_EQ(0u, calls[3].find(L"DisplayToastNotification"));
        EXPECT_NE(std::wstring::npos, calls[2].find(c.impersonating));
        EXPECT_NE(std::wstring::npos, calls[3].find(c.impersonating));
    }
}

TEST_F(ToastAdapter, LibraryIsNeverLoadedFromTheCurrentFolderOrPath)
{
    const std::wstring planted = TempDirectory(L"planted");
    ToastDouble library(L"complete", planted);
    wchar_t oldDirectory[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, oldDirectory);
    std::vector<wchar_t> oldPath(32767);
    ::GetEnvironmentVariableW(L"PATH", oldPath.data(), 32767);
    ::SetCurrentDirectoryW(planted.c_str());
    ::SetEnvironmentVariableW(L"PATH", (planted + L";" + oldPath.data()).c_str());
    {
        CNotifWrapper adapter;
        EXPECT_TRUE(NoneLoaded(adapter));
        adapter.ShowToast();
    }
    // The same library would load by a bare name from there: the planted copy is real bait.
    const HMODULE bare = ::LoadLibraryW(kToastLibraryFileName);
    EXPECT_NE(nullptr, bare);
    if (bare) ::FreeLibrary(bare);
    ::SetCurrentDirectoryW(oldDirectory);
    ::SetEnvironmentVariableW(L"PATH", oldPath.data());

    Calls adapterCalls = library.Calls();
    ASSERT_GE(adapterCalls.size(), 2u);
    EXPECT_EQ(0u, adapterCalls[0].find(L"attach")) << "only the bait load above may appear";
    EXPECT_EQ(2u, adapterCalls.size());
}

TEST_F(ToastAdapter, WindowRaisesTheToastAtOnceAndReleasesTheLibraryBeforeEitherCloseEnds)
{
    for (bool throughLink : { false, true }) {
        SCOPED_TRACE(throughLink ? "link" : "close mark");
        SettingsKeyGuard key;
        ToastDouble library(L"complete", ExeDirectory());
        ShellExecuteRecorder shell(false);
        SessionIdentityStandIn session;
        session.userSignedIn = false;  // no console user: the link falls back to the shell
        m_app.m_bNotifMode = true;
        m_app.m_bUpdateAvailable = true;
        m_app.m_strServerResponse = L"http://example.com/x";
        CKeshUIDlg dialog;
        m_app.m_pMainWnd = &dialog;
        HWND shown = nullptr;
        Calls whileOpen;
        const ModalOutcome outcome = RunDialog(dialog, [&](HWND window) {
            shown = window;
            whileOpen = library.Calls();
            EXPECT_TRUE(ToastLibraryLoaded());
            probe::ClickControl(window, throughLink ? IDC_STATUS : IDC_CLOSE);
        });
        EXPECT_EQ(throughLink ? IDOK : IDCANCEL, outcome.result);
        EXPECT_FALSE(ToastLibraryLoaded());
        EXPECT_EQ(nullptr, dialog.m_pNotifier.get());
        // The toast was raised before the window was first shown, owned by it.
        ASSERT_EQ(4u, whileOpen.size());
        EXPECT_EQ(0u, whileOpen[3].find(DisplayCall(shown)));
        const Calls all = library.Calls();
        ASSERT_EQ(6u, all.size());
        EXPECT_EQ(0u, all[4].find(L"UnInit window=1")) << "UnInit must run while the window is still up";
        EXPECT_EQ(throughLink ? 1u : 0u, shell.Calls().size());
    }
}
