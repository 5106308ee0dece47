#pragma once
// The notification-area balloon: an icon of the library's own hidden window with a balloon that
// carries the title and the text. Windows 10 and 11 show such a balloon as a toast too. Should the
// taskbar be made anew (explorer restarted) while the icon shows, the icon comes back, for its
// click, without the balloon.

#include "toasthost/Announcement.h"
#include "win32/HiddenWindow.h"

#include <windows.h>

#include <memory>

namespace toasthost {

class BalloonChannel {
public:
    BalloonChannel() = default;
    ~BalloonChannel();
    BalloonChannel(const BalloonChannel&) = delete;
    BalloonChannel& operator=(const BalloonChannel&) = delete;

    // Creates the hidden window that owns the icon and hears its clicks, on the calling thread.
    bool Prepare(HINSTANCE module);
    bool Prepared() const { return m_window != nullptr; }

    // Keeps what the balloon will say and do; shows nothing yet.
    void Arm(const Announcement& announcement);
    // Shows the armed balloon as soon as the window's thread handles its next message (the
    // shell answers an icon only after a round trip to its process).
    bool Show();
    // What Show does, as an action that any thread may run at any time, even after Close.
    std::function<void()> ShowLater() const;
    // Removes the icon, if shown.
    void Withdraw();
    // Removes the icon (if shown) and the window.
    void Close();

private:
    bool OnMessage(UINT message, LPARAM lParam);
    bool AddIcon(bool withBalloon);

    std::unique_ptr<HiddenWindow> m_owner;
    HWND m_window = nullptr;  // m_owner's
    Announcement m_announcement;
    bool m_armed = false;  // shown once asked to, until withdrawn
    bool m_iconShown = false;
};

}  // namespace toasthost
