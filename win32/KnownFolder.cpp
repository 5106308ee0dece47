#include "win32/KnownFolder.h"

#include "win32/Token.h"

std::wstring CallingUsersKnownFolder(const KNOWNFOLDERID& id)
{
    const ScopedHandle token = OpenCallingThreadToken(TOKEN_QUERY | TOKEN_IMPERSONATE);
    PWSTR path = nullptr;
    std::wstring folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(id, KF_FLAG_CREATE, token.get(), &path))) folder = path;
    ::CoTaskMemFree(path);
    return folder;
}
