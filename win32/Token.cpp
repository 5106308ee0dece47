#include "win32/Token.h"

ScopedHandle OpenCallingThreadToken(DWORD access)
{
    ScopedHandle token;
    // As the process: the thread's token is opened with the process's rights, whoever it acts for.
    if (!::OpenThreadToken(::GetCurrentThread(), access, TRUE, token.receive())) return ScopedHandle();
    return token;
}

std::vector<BYTE> TokenUserSid(HANDLE token)
{
    DWORD bytes = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &bytes);
    if (bytes == 0) return {};
    std::vector<BYTE> buffer(bytes);
    if (!::GetTokenInformation(token, TokenUser, buffer.data(), bytes, &bytes)) return {};
    const PSID sid = reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid;
    std::vector<BYTE> copy(::GetLengthSid(sid));
    if (!::CopySid(static_cast<DWORD>(copy.size()), copy.data(), sid)) return {};
    return copy;
}

std::vector<BYTE> ProcessUserSid()
{
    ScopedHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.receive())) return {};
    return TokenUserSid(token.get());
}
