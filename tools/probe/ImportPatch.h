#pragma once
// Puts a function of a test's own in place of one a module imports, for as long as the object
// lives: how a test records a call that Wine cannot show (a flash, a foreground right handed
// on, a shell open). Only the module's own calls go through its import table.

#include <windows.h>

class ImportPatch {
public:
    ImportPatch(HMODULE module, const char* dll, const char* function, void* replacement)
        : m_original(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA(dll), function)))
    {
        m_slot = m_original ? FindSlot(module, dll, m_original) : nullptr;
        if (m_slot) Write(m_slot, replacement);
    }
    ~ImportPatch()
    {
        if (m_slot) Write(m_slot, m_original);
    }
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    explicit operator bool() const { return m_slot != nullptr; }
    // The real function, for the replacement to call on.
    void* Original() const { return m_original; }

private:
    static void** FindSlot(HMODULE module, const char* dll, void* target)
    {
        auto* base = reinterpret_cast<BYTE*>(module);
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
             imports.VirtualAddress && descriptor->Name; ++descriptor) {
            if (::lstrcmpiA(reinterpret_cast<const char*>(base + descriptor->Name), dll) != 0) continue;
            for (auto* thunk = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk); thunk->u1.Function;
                 ++thunk) {
                if (reinterpret_cast<void*>(thunk->u1.Function) == target) return reinterpret_cast<void**>(&thunk->u1.Function);
            }
        }
        return nullptr;
    }
    static void Write(void** slot, void* value)
    {
        DWORD protection = 0;
        ::VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &protection);
        *slot = value;
        ::VirtualProtect(slot, sizeof(void*), protection, &protection);
    }

    void* m_original;
    void** m_slot = nullptr;
};
