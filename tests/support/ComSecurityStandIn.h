#pragma once
// The process's COM security call as a test wants it: never set for real (a process may set it
// once); what the program passes is recorded. In place for as long as the object lives.

#include "session/ProcessComSecurity.h"

#include <string>

namespace kesh_test {

class ComSecurityStandIn {
public:
    ComSecurityStandIn();
    ~ComSecurityStandIn();
    ComSecurityStandIn(const ComSecurityStandIn&) = delete;
    ComSecurityStandIn& operator=(const ComSecurityStandIn&) = delete;

    HRESULT comSecurityResult = S_OK;  // what the call answers
    int comSecurityCalls = 0;
    // Owner, group and DACL as SDDL, then the label (Wine's converter writes none) as "S:(ML;;mask;;;SID)".
    std::wstring comSecurityDescriptor;
    std::wstring comSecurityArguments;  // the call's other arguments
    bool updateWindowExistedAtComSecurity = false;

private:
    static ComSecurityStandIn* s_current;
    const ComSecurityApi m_api;
    Seam<ComSecurityApi>::Override m_use;
};

}  // namespace kesh_test
