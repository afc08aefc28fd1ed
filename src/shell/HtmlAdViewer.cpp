#include "shell/HtmlAdViewer.h"

#include <atomic>
#include <cstdio>

#include "platform/htmlview/HtmlView.h"
#include "platform/library/DeviceLibrary.h"
#include "platform/probes/Probes.h"
#include "platform/window/WindowSystem.h"

using namespace platform;
namespace hv = platform::htmlview;

namespace {

// Child, bordered, and hidden until advertising is enabled.
constexpr std::uint32_t kStripStyle = 0x40810000;
// How the strip asks for its page; the viewer always fetches afresh.
constexpr WPARAM kNavigateFlags = 0x1020;

WindowSystem& WS() { return WindowSystem::Current(); }

// A device that has the viewer but cannot use it runs without the strip as
// one without the viewer does; whoever wonders where the strip went finds
// the reason in the log, once per run rather than at each sign-in.
std::nullptr_t Broken(const std::string& why) {
    static std::atomic<bool> told{false};
    if (!told.exchange(true)) std::fprintf(stderr, "tobrix: no advertising strip: %s\n", why.c_str());
    return nullptr;
}

}  // namespace

std::unique_ptr<HtmlAdViewer> HtmlAdViewer::Create(Window* parent) {
    if (!CanLoadLibrary(hv::kLibraryName)) return nullptr;
    std::string error;
    auto library = LoadDeviceLibrary(hv::kLibraryName, &error);
    if (!library) return Broken(error);
    auto init = reinterpret_cast<hv::HtmlViewInitFunction>(library->Symbol(hv::kHtmlViewInitExport));
    if (!init) return Broken("the HTML viewer library has no entry");
    if (!init(library->Module())) return Broken("the HTML viewer did not initialise");
    Window* window = WS().CreateWindow(hv::kHtmlViewClass, u"", kStripStyle, {}, library->Module(), parent);
    if (!window) return Broken("the HTML viewer's window could not be created");
    return std::unique_ptr<HtmlAdViewer>(new HtmlAdViewer(window));
}

HtmlAdViewer::~HtmlAdViewer() {
    if (WindowSystem::Installed()) WS().DestroyWindow(window);
}

void HtmlAdViewer::Show(bool visible) { WS().ShowWindow(window, visible); }

bool HtmlAdViewer::IsVisible() const { return WS().IsWindow(window) && window->Visible(); }

void HtmlAdViewer::Clear() {
    WS().SendMessage(window, hv::kClearMessage, 0, 0);
    WS().SendMessage(window, hv::kStopMessage, 0, 0);
}

void HtmlAdViewer::Navigate(const std::u16string& url) {
    WS().SendMessage(window, hv::kNavigateMessage, kNavigateFlags, reinterpret_cast<LPARAM>(url.c_str()));
}

// Posted, not sent: the highlight also changes on a worker that holds the UI
// lock (a page rebuilt with its answer), and a sent message would wait for
// the UI thread, which waits for that lock.
void HtmlAdViewer::ShowKeyHighlight(bool shown) { WS().PostMessage(window, hv::kKeyHighlightMessage, shown ? 1 : 0, 0); }

bool HtmlAdViewer::FollowLink() { return WS().SendMessage(window, hv::kFollowLinkMessage, 0, 0) != 0; }

void HtmlAdViewer::Place(int x, int y, int width, int height) { WS().MoveWindow(window, {x, y, x + width, y + height}, true); }
