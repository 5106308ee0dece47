// Stands in for the update service: creates the two named events, and answers each request by
// writing LastSrvrRespWL and setting the response event.
//
//   KeshServiceSim.exe [--answer TEXT] [--delay MS] [--no-answer] [--no-write]
//                      [--no-response-event] [--answers N] [--ready EVENT] [--quit EVENT]
//
//   --answer TEXT        the response to store (default: empty, "no newer package")
//   --delay MS           time between a request and its answer
//   --no-answer          store the response but never set the response event
//   --no-write           leave LastSrvrRespWL as it is
//   --no-response-event  create only the request event
//   --answers N          exit after N answers
//   --ready EVENT        set this (existing) event once both events exist
//   --quit EVENT         exit when this (existing) event is set

#include "app/UpdateSettings.h"
#include "win32/ScopedHandle.h"
#include "service/UpdateServiceContract.h"

#include <sddl.h>

#include <cwchar>
#include <string>

namespace {

struct Options {
    std::wstring answer;
    DWORD delayMs = 0;
    bool setResponseEvent = true;
    bool writeResponse = true;
    bool createResponseEvent = true;
    long answers = -1;
    std::wstring readyEvent;
    std::wstring quitEvent;
};

bool ParseOptions(int argc, wchar_t** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == L"--answer" && hasValue) options.answer = argv[++i];
        else if (arg == L"--delay" && hasValue) options.delayMs = std::wcstoul(argv[++i], nullptr, 10);
        else if (arg == L"--answers" && hasValue) options.answers = std::wcstol(argv[++i], nullptr, 10);
        else if (arg == L"--ready" && hasValue) options.readyEvent = argv[++i];
        else if (arg == L"--quit" && hasValue) options.quitEvent = argv[++i];
        else if (arg == L"--no-answer") options.setResponseEvent = false;
        else if (arg == L"--no-write") options.writeResponse = false;
        else if (arg == L"--no-response-event") options.createResponseEvent = false;
        else return false;
    }
    return true;
}

// An event that every user's process may open with the given right (as the real service allows).
HANDLE CreateServiceEvent(LPCWSTR name, LPCWSTR everyoneRight)
{
    const std::wstring sddl = std::wstring(L"D:(A;;GA;;;SY)(A;;GA;;;BA)(A;;") + everyoneRight + L";;;WD)";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor,
                                                                nullptr)) {
        return nullptr;
    }
    SECURITY_ATTRIBUTES attributes = { sizeof(attributes), descriptor, FALSE };
    const HANDLE event = ::CreateEventW(&attributes, FALSE, FALSE, name);
    ::LocalFree(descriptor);
    return event;
}

bool StoreResponse(const std::wstring& text)
{
    ScopedRegKey key;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUpdateSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                          key.receive(), nullptr) != ERROR_SUCCESS) {
        return false;
    }
    return ::RegSetValueExW(key.get(), kServerResponseValueName, 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fwprintf(stderr, L"usage: KeshServiceSim.exe [--answer TEXT] [--delay MS] [--no-answer] "
                              L"[--no-write] [--no-response-event] [--answers N] [--ready EVENT] [--quit EVENT]\n");
        return 2;
    }

    const ScopedHandle request(CreateServiceEvent(kCheckForUpdateEventName, L"0x2"));
    ScopedHandle response;
    if (options.createResponseEvent) response.reset(CreateServiceEvent(kServerResponseEventName, L"0x100000"));
    if (!request || (options.createResponseEvent && !response)) return 1;

    // Never signalled when no quit event was named, so the simulator runs until it is killed.
    ScopedHandle quit(options.quitEvent.empty() ? ::CreateEventW(nullptr, TRUE, FALSE, nullptr)
                                                : ::OpenEventW(SYNCHRONIZE, FALSE, options.quitEvent.c_str()));
    if (!quit) return 1;

    if (!options.readyEvent.empty()) {
        const ScopedHandle ready(::OpenEventW(EVENT_MODIFY_STATE, FALSE, options.readyEvent.c_str()));
        if (ready) ::SetEvent(ready.get());
    }

    for (long answered = 0; options.answers < 0 || answered < options.answers; ++answered) {
        const HANDLE waitFor[] = { quit.get(), request.get() };
        if (::WaitForMultipleObjects(2, waitFor, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) break;
        if (options.delayMs && ::WaitForSingleObject(quit.get(), options.delayMs) != WAIT_TIMEOUT) break;
        if (options.writeResponse) StoreResponse(options.answer);
        if (response && options.setResponseEvent) ::SetEvent(response.get());
    }
    return 0;
}
