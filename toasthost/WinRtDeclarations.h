#pragma once
// The Windows Runtime interfaces of the toast platform that mingw-w64's headers do not declare.
// Each interface id and each method order follows the platform's published metadata
// (Windows.UI.Notifications and Windows.Data.Xml.Dom); the methods this library never calls are
// declared too, only to keep the slots of the ones it does call where the platform has them.

#include <windows.h>
#include <inspectable.h>
#include <winstring.h>

namespace toasthost {

// {AF86E2E0-B12D-4C6A-9C5A-D7AA65101E90}
inline constexpr IID kIID_IInspectable = { 0xaf86e2e0, 0xb12d, 0x4c6a, { 0x9c, 0x5a, 0xd7, 0xaa, 0x65, 0x10, 0x1e, 0x90 } };
// {00000035-0000-0000-C000-000000000046}
inline constexpr IID kIID_IActivationFactory = { 0x00000035, 0x0000, 0x0000, { 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46 } };
// {50AC103F-D235-4598-BBEF-98FE4D1A3AD4}
inline constexpr IID kIID_IToastNotificationManagerStatics = { 0x50ac103f, 0xd235, 0x4598, { 0xbb, 0xef, 0x98, 0xfe, 0x4d, 0x1a, 0x3a, 0xd4 } };
// {75927B93-03F3-41EC-91D3-6E5BAC1B38E7}
inline constexpr IID kIID_IToastNotifier = { 0x75927b93, 0x03f3, 0x41ec, { 0x91, 0xd3, 0x6e, 0x5b, 0xac, 0x1b, 0x38, 0xe7 } };
// {04124B20-82C6-4229-B109-FD9ED4662B53}
inline constexpr IID kIID_IToastNotificationFactory = { 0x04124b20, 0x82c6, 0x4229, { 0xb1, 0x09, 0xfd, 0x9e, 0xd4, 0x66, 0x2b, 0x53 } };
// {997E2675-059E-4E60-8B06-1760917C8B80}
inline constexpr IID kIID_IToastNotification = { 0x997e2675, 0x059e, 0x4e60, { 0x8b, 0x06, 0x17, 0x60, 0x91, 0x7c, 0x8b, 0x80 } };
// {F7F3A506-1E87-42D6-BCFB-B8C809FA5494}
inline constexpr IID kIID_IXmlDocument = { 0xf7f3a506, 0x1e87, 0x42d6, { 0xbc, 0xfb, 0xb8, 0xc8, 0x09, 0xfa, 0x54, 0x94 } };
// {6CD0E74E-EE65-4489-9EBF-CA43E87BA637}
inline constexpr IID kIID_IXmlDocumentIO = { 0x6cd0e74e, 0xee65, 0x4489, { 0x9e, 0xbf, 0xca, 0x43, 0xe8, 0x7b, 0xa6, 0x37 } };
// {9DFB9FD1-143A-490E-90BF-B9FBA7132DE7}: tag and group, Windows 10 and later.
inline constexpr IID kIID_IToastNotification2 = { 0x9dfb9fd1, 0x143a, 0x490e, { 0x90, 0xbf, 0xb9, 0xfb, 0xa7, 0x13, 0x2d, 0xe7 } };
// {7AB93C52-0E48-4750-BA9D-1A4113981847}: the notification centre's history, Windows 10 and later.
inline constexpr IID kIID_IToastNotificationManagerStatics2 = { 0x7ab93c52, 0x0e48, 0x4750, { 0xba, 0x9d, 0x1a, 0x41, 0x13, 0x98, 0x18, 0x47 } };
// {5CADDC63-01D3-4C97-986F-0533483FEE14}
inline constexpr IID kIID_IToastNotificationHistory = { 0x5caddc63, 0x01d3, 0x4c97, { 0x98, 0x6f, 0x05, 0x33, 0x48, 0x3f, 0xee, 0x14 } };
// TypedEventHandler<ToastNotification, Object>: {AB54DE2D-97D9-5528-B6AD-105AFE156530}
inline constexpr IID kIID_ToastActivatedHandler = { 0xab54de2d, 0x97d9, 0x5528, { 0xb6, 0xad, 0x10, 0x5a, 0xfe, 0x15, 0x65, 0x30 } };
// TypedEventHandler<ToastNotification, ToastFailedEventArgs>: {95E3E803-C969-5E3A-9753-EA2AD22A9A33}
inline constexpr IID kIID_ToastFailedHandler = { 0x95e3e803, 0xc969, 0x5e3a, { 0x97, 0x53, 0xea, 0x2a, 0xd2, 0x2a, 0x9a, 0x33 } };
// {94EA2B94-E9CC-49E0-C0FF-EE64CA8F5B90}: callable from any thread, so never marshalled.
inline constexpr IID kIID_IAgileObject = { 0x94ea2b94, 0xe9cc, 0x49e0, { 0xc0, 0xff, 0xee, 0x64, 0xca, 0x8f, 0x5b, 0x90 } };

inline constexpr wchar_t kToastNotificationManagerClass[] = L"Windows.UI.Notifications.ToastNotificationManager";
inline constexpr wchar_t kToastNotificationClass[] = L"Windows.UI.Notifications.ToastNotification";
inline constexpr wchar_t kXmlDocumentClass[] = L"Windows.Data.Xml.Dom.XmlDocument";

// Windows.UI.Notifications.NotificationSetting
enum class NotificationSetting : INT32 {
    Enabled = 0,
    DisabledForApplication = 1,
    DisabledForUser = 2,
    DisabledByGroupPolicy = 3,
    DisabledByManifest = 4,
};

struct EventToken {
    INT64 value;
};

struct IToastNotification;
struct IToastNotifier;

struct IActivationFactoryDecl : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE ActivateInstance(IInspectable** instance) = 0;
};

struct IXmlDocumentIO : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE LoadXml(HSTRING xml) = 0;
    virtual HRESULT STDMETHODCALLTYPE LoadXmlWithSettings(HSTRING xml, IInspectable* loadSettings) = 0;
    virtual HRESULT STDMETHODCALLTYPE SaveToFileAsync(IInspectable* file, IInspectable** asyncInfo) = 0;
};

struct IToastNotificationManagerStatics : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE CreateToastNotifier(IToastNotifier** result) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateToastNotifierWithId(HSTRING applicationId, IToastNotifier** result) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTemplateContent(INT32 type, IInspectable** result) = 0;
};

struct IToastNotifier : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE Show(IToastNotification* notification) = 0;
    virtual HRESULT STDMETHODCALLTYPE Hide(IToastNotification* notification) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Setting(NotificationSetting* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddToSchedule(IInspectable* scheduledToast) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveFromSchedule(IInspectable* scheduledToast) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetScheduledToastNotifications(IInspectable** result) = 0;
};

struct IToastNotificationFactory : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE CreateToastNotification(IInspectable* content, IToastNotification** value) = 0;
};

struct IToastNotificationHistory : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE RemoveGroup(HSTRING group) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveGroupWithId(HSTRING group, HSTRING applicationId) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveGroupedTagWithId(HSTRING tag, HSTRING group, HSTRING applicationId) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveGroupedTag(HSTRING tag, HSTRING group) = 0;
    virtual HRESULT STDMETHODCALLTYPE Remove(HSTRING tag) = 0;
    virtual HRESULT STDMETHODCALLTYPE Clear() = 0;
    virtual HRESULT STDMETHODCALLTYPE ClearWithId(HSTRING applicationId) = 0;
};

struct IToastNotificationManagerStatics2 : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE get_History(IToastNotificationHistory** value) = 0;
};

struct IToastNotification2 : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE put_Tag(HSTRING value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Tag(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Group(HSTRING value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Group(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_SuppressPopup(boolean value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SuppressPopup(boolean* value) = 0;
};

// One shape serves both events the library hears: Activated (args: an IInspectable) and Failed
// (args: the ToastFailedEventArgs, which is never read).
struct IToastEventHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(IToastNotification* sender, IInspectable* args) = 0;
};
using IToastActivatedHandler = IToastEventHandler;

struct IToastNotification : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE get_Content(IInspectable** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ExpirationTime(IInspectable* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ExpirationTime(IInspectable** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_Dismissed(IUnknown* handler, EventToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_Dismissed(EventToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_Activated(IToastActivatedHandler* handler, EventToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_Activated(EventToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_Failed(IToastEventHandler* handler, EventToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_Failed(EventToken token) = 0;
};

}  // namespace toasthost
