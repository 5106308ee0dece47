#pragma once
// Message maps: static tables that bind window messages and control notifications to handler
// methods of a dialog class. The dispatcher in CDialogEx searches the class's table, then its
// base's, before leaving a message to the dialog manager's default processing.

#include <windows.h>
#include <windowsx.h>

class CDialogEx;

// Each entry calls its handler through a thunk made for the handler's own signature, so no
// member pointer is ever cast. `message` is the message as it arrived (WM_CTLCOLORSTATIC, not
// WM_CTLCOLOR).
using AfxMsgThunk = LRESULT (*)(CDialogEx& dialog, UINT message, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;  // WM_COMMAND entries also match nCode and nID
    UINT nCode;
    UINT nID;
    AfxMsgThunk pfnThunk;  // null ends the table
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// The one entry for every control-colour query, as the platform's framework has it.
#ifndef WM_CTLCOLOR
#define WM_CTLCOLOR 0x0019
#endif

#define afx_msg

namespace afx_thunk {

template <class T, void (T::*Handler)()>
LRESULT Void(CDialogEx& dialog, UINT, WPARAM, LPARAM)
{
    (static_cast<T&>(dialog).*Handler)();
    return 0;
}

template <class T, HCURSOR (T::*Handler)()>
LRESULT QueryDragIcon(CDialogEx& dialog, UINT, WPARAM, LPARAM)
{
    return reinterpret_cast<LRESULT>((static_cast<T&>(dialog).*Handler)());
}

template <class T, LRESULT (T::*Handler)(POINT)>
LRESULT NcHitTest(CDialogEx& dialog, UINT, WPARAM, LPARAM lParam)
{
    const POINT screenPoint = { GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam) };
    return (static_cast<T&>(dialog).*Handler)(screenPoint);
}

template <class T, HBRUSH (T::*Handler)(HDC, HWND, UINT)>
LRESULT CtlColor(CDialogEx& dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return reinterpret_cast<LRESULT>((static_cast<T&>(dialog).*Handler)(
        reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), message - WM_CTLCOLORMSGBOX));
}

template <class T, BOOL (T::*Handler)(HWND, UINT, UINT)>
LRESULT SetCursor(CDialogEx& dialog, UINT, WPARAM wParam, LPARAM lParam)
{
    return (static_cast<T&>(dialog).*Handler)(reinterpret_cast<HWND>(wParam), LOWORD(lParam), HIWORD(lParam));
}

template <class T, LRESULT (T::*Handler)(WPARAM, LPARAM)>
LRESULT Message(CDialogEx& dialog, UINT, WPARAM wParam, LPARAM lParam)
{
    return (static_cast<T&>(dialog).*Handler)(wParam, lParam);
}

}  // namespace afx_thunk

#define DECLARE_MESSAGE_MAP()                              \
protected:                                                 \
    static const AFX_MSGMAP* GetThisMessageMap();          \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                              \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }      \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                         \
    {                                                                                       \
        typedef theClass ThisClass;                                                         \
        typedef baseClass TheBaseClass;                                                     \
        static const AFX_MSGMAP_ENTRY entries[] = {

#define END_MESSAGE_MAP()                                                                   \
            { 0, 0, 0, nullptr }                                                            \
        };                                                                                  \
        static const AFX_MSGMAP messageMap = { &TheBaseClass::GetThisMessageMap, entries }; \
        return &messageMap;                                                                 \
    }

#define ON_WM_PAINT() { WM_PAINT, 0, 0, &afx_thunk::Void<ThisClass, &ThisClass::OnPaint> },
#define ON_WM_QUERYDRAGICON() \
    { WM_QUERYDRAGICON, 0, 0, &afx_thunk::QueryDragIcon<ThisClass, &ThisClass::OnQueryDragIcon> },
#define ON_WM_NCHITTEST() { WM_NCHITTEST, 0, 0, &afx_thunk::NcHitTest<ThisClass, &ThisClass::OnNcHitTest> },
#define ON_WM_CTLCOLOR() { WM_CTLCOLOR, 0, 0, &afx_thunk::CtlColor<ThisClass, &ThisClass::OnCtlColor> },
#define ON_WM_SETCURSOR() { WM_SETCURSOR, 0, 0, &afx_thunk::SetCursor<ThisClass, &ThisClass::OnSetCursor> },
#define ON_COMMAND(id, memberFxn) \
    { WM_COMMAND, BN_CLICKED, static_cast<UINT>(id), &afx_thunk::Void<ThisClass, memberFxn> },
#define ON_STN_CLICKED(id, memberFxn) \
    { WM_COMMAND, STN_CLICKED, static_cast<UINT>(id), &afx_thunk::Void<ThisClass, memberFxn> },
#define ON_MESSAGE(message, memberFxn) { message, 0, 0, &afx_thunk::Message<ThisClass, memberFxn> },
