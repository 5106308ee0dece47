#pragma once
// The notification-area balloon: an icon of the library's own hidden window with a balloon that
// carries the title and the text. Windows 10 and 11 show such a balloon as a toast too.

#include <windows.h>

#include <string>

namespace toasthost {

class BalloonChannel {
public:
    BalloonChannel() = default;
    ~BalloonChannel();
    BalloonChannel(const BalloonChannel&) = delete;
    BalloonChannel& operator=(const BalloonChannel&) = delete;

    // Creates the hidden window that owns the icon and hears its clicks.
    bool Prepare(HINSTANCE module);
    bool Prepared() const { return m_window != nullptr; }
    // Whether the shell has a notification area to show the icon in.
    static bool NotificationAreaExists();

    // Announces with the icon and its balloon, added as soon as this thread handles its next
    // message; `owner` lends its icon and comes to the front on a click.
    bool Show(HWND owner, const wchar_t* title, const wchar_t* text);
    // Removes the icon (if shown) and the window.
    void Close();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool AddIcon();
    void RemoveIcon();

    HINSTANCE m_module = nullptr;
    HWND m_window = nullptr;
    HWND m_owner = nullptr;
    std::wstring m_title;
    std::wstring m_text;
    bool m_iconShown = false;
};

// Restores `owner` if minimised and brings it to the front: what a click on either channel does.
void BringOwnerToFront(HWND owner);

}  // namespace toasthost
