#include "toasthost/HostLauncher.h"

#include "product/ProductIdentity.h"
#include "toasthost/HostCommandLine.h"
#include "win32/Module.h"
#include "win32/ProcessStart.h"

#include <memory>
#include <vector>

namespace toasthost {

namespace {

// How long closing the program's window may wait for the host to withdraw and end.
constexpr DWORD kHostEndTimeoutMs = 3000;

}  // namespace

bool HostLauncher::Prepare(HMODULE library)
{
    m_hostPath = BesideModule(library, kToastHostFileName);
    m_folder = FolderOf(m_hostPath);
    if (m_hostPath.empty()) return false;

    m_userenv.reset(::LoadLibraryExW(L"userenv.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!m_userenv) return false;
    m_pfnCreateEnvironmentBlock = LookUp<PFN_CreateEnvironmentBlock>(m_userenv.get(), "CreateEnvironmentBlock");
    m_pfnDestroyEnvironmentBlock = LookUp<PFN_DestroyEnvironmentBlock>(m_userenv.get(), "DestroyEnvironmentBlock");
    return m_pfnCreateEnvironmentBlock && m_pfnDestroyEnvironmentBlock;
}

bool HostLauncher::Take(HANDLE userToken, const Announcement& announcement, HWND owner, std::function<void()> onFailure)
{
    Stop();  // never two hosts
    if (!m_pfnCreateEnvironmentBlock || !userToken) return false;
    auto taken = std::make_unique<Taken>();
    if (!::DuplicateTokenEx(userToken, TOKEN_ASSIGN_PRIMARY | TOKEN_DUPLICATE | TOKEN_QUERY | TOKEN_ADJUST_DEFAULT |
                                           TOKEN_ADJUST_SESSIONID,
                            nullptr, SecurityImpersonation, TokenPrimary, taken->token.receive())) {
        return false;
    }
    taken->announcement = announcement;
    taken->onFailure = std::move(onFailure);
    m_taken = std::move(taken);
    m_owner = owner;
    return true;
}

void HostLauncher::Launch()
{
    if (!m_taken || m_starter.joinable()) return;
    std::shared_ptr<Taken> taken(std::move(m_taken));
    try {
        m_starter = std::thread([this, taken] {
            if (!StartAsUser(taken->token.get(), taken->announcement) && taken->onFailure) taken->onFailure();
        });
    } catch (...) {  // no thread to be had
        if (taken->onFailure) taken->onFailure();
    }
}

// Runs on the starter thread, as the process itself.
bool HostLauncher::StartAsUser(HANDLE primaryToken, const Announcement& announcement)
{
    EnvironmentBlock environment(m_pfnDestroyEnvironmentBlock);
    if (!m_pfnCreateEnvironmentBlock(environment.receive(), primaryToken, FALSE)) return false;

    ScopedHandle withdraw(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ScopedHandle clicked(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!withdraw || !clicked) return false;
    // The host gets no more than it needs: to wait for this process and for the withdrawal, and
    // to report a click.
    const ScopedHandle programForHost = InheritableCopy(::GetCurrentProcess(), SYNCHRONIZE);
    const ScopedHandle withdrawForHost = InheritableCopy(withdraw.get(), SYNCHRONIZE);
    const ScopedHandle clickedForHost = InheritableCopy(clicked.get(), EVENT_MODIFY_STATE);
    if (!programForHost || !withdrawForHost || !clickedForHost) return false;

    HostRequest request;
    request.title = announcement.title;
    request.text = announcement.text;
    request.appId = announcement.appId;
    request.programImage = ModulePath(nullptr);
    request.programId = ::GetCurrentProcessId();
    request.program = programForHost.get();
    request.withdraw = withdrawForHost.get();
    request.clicked = clickedForHost.get();
    std::wstring commandLine = BuildHostCommandLine(m_hostPath, request);

    HANDLE inherited[] = { programForHost.get(), withdrawForHost.get(), clickedForHost.get() };
    const InheritedHandlesOnly attributes(inherited, 3);
    if (!attributes.get()) return false;
    StartupRecord startup(true, &attributes);
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessAsUserW(primaryToken, m_hostPath.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                CREATE_UNICODE_ENVIRONMENT | EXTENDED_STARTUPINFO_PRESENT, environment.get(),
                                m_folder.c_str(), startup.get(), &process)) {
        return false;
    }
    StartedProcess host(process);
    m_process = std::move(host.process);
    m_withdraw = std::move(withdraw);
    m_clicked = std::move(clicked);
    // The host cannot reach the owner across integrity levels; this process brings it forward
    // itself, with the right to do so that the host hands on with the click.
    m_clickListener.Listen(m_clicked.get(), m_owner);
    return true;
}

void HostLauncher::Stop()
{
    m_taken.reset();  // taken, never launched
    if (m_starter.joinable()) m_starter.join();
    m_clickListener.Stop();  // waits for a click being handled
    if (m_process) {
        ::SetEvent(m_withdraw.get());
        if (::WaitForSingleObject(m_process.get(), kHostEndTimeoutMs) != WAIT_OBJECT_0) {
            ::TerminateProcess(m_process.get(), 1);  // a host that hangs must not outlive us
        }
        m_process.reset();
    }
    m_withdraw.reset();
    m_clicked.reset();
    m_owner = nullptr;
}

}  // namespace toasthost
