#pragma once
#include <cstdint>

#include "platform/window/Messages.h"

// The HTML viewer control of the handheld: a child window of the class
// kHtmlViewClass that shows a web page. It lives in a library of its own
// that a program loads at run time (platform::LoadDeviceLibrary(u"htmlview.dll"))
// and initialises through the export kHtmlViewInitExport; only then can its
// windows be created. A device without the library simply has no viewer.
namespace platform::htmlview {

inline constexpr const char16_t* kHtmlViewClass = u"DISPLAYCLASS";
inline constexpr const char16_t* kLibraryName = u"htmlview.dll";

// The library's first export: registers the window class with the window
// system of the loading program. Takes the library's module handle; false
// when the class cannot be registered.
inline constexpr const char* kHtmlViewInitExport = "TobrixHtmlViewInit";
using HtmlViewInitFunction = bool (*)(void* module);

// Messages the control takes.
enum : std::uint32_t {
    // Forget the page shown; the view goes blank.
    kClearMessage = WM_USER + 113,
    // Stop loading: a page still on its way is dropped, what shows stays.
    kStopMessage = WM_USER + 125,
    // Show the page at a URL: wParam the navigation flags (none of them
    // changes how this view loads: it always fetches afresh), lParam a
    // null-terminated UTF-16 URL, read before the message returns.
    kNavigateMessage = WM_USER + 120,
    // For a device driven by its keys alone: wParam 1 rings the view as the
    // key highlight of its owner, 0 takes the ring away.
    kKeyHighlightMessage = WM_USER + 130,
    // Follows the page's first link as a tap on it would (the owner gets
    // kHotspotNotify); returns 0 when the page has none.
    kFollowLinkMessage = WM_USER + 131,
};

// The notification code (WM_NOTIFY to the parent) of a tap on a link.
inline constexpr std::uint32_t kHotspotNotify = WM_USER + 101;

// What that WM_NOTIFY's lParam points to: the header, then the link as the
// page wrote it, resolved against the page's address, in UTF-8. The text
// lives until the notification returns.
struct LinkNotify {
    NotifyHeader header;
    const char* link = nullptr;
};

}  // namespace platform::htmlview
