#include "platform/htmlview/HtmlViewControl.h"

#include <algorithm>
#include <map>
#include <memory>

#include "base/Text.h"
#include "platform/device/DeviceRoot.h"
#include "platform/htmlview/HtmlView.h"
#include "platform/imaging/Pixel565.h"
#include "platform/window/WindowSystem.h"

namespace platform::htmlview {
namespace {

// Posted by a load's thread when its page (or its failure) is in; wParam the
// load's generation.
constexpr std::uint32_t kPageArrived = WM_USER + 0x3A0;

constexpr std::uint16_t kPaper = 0xFFFF;
constexpr std::uint16_t kBorder = 0x8410;  // mid grey
// The owner's key highlight: the orange of its frame, three pixels wide.
constexpr std::uint16_t kKeyRing = 0xEBC0;
constexpr int kKeyRingWidth = 3;

WindowSystem& WS() { return WindowSystem::Current(); }

PageSettings DeviceSettings() {
    PageSettings s;
    const ScreenMetrics& m = WS().Metrics();
    s.dpi = m.dpi > 0 ? m.dpi : 96;
    s.screenWidth = m.width;
    s.screenHeight = m.height;
    s.defaultFontSize = (12 * s.dpi + 48) / 96;
    if (HasCurrentDevice() && CurrentDevice().Info().systemFontHeight != 0)
        s.defaultFontSize = std::abs(CurrentDevice().Info().systemFontHeight);
    return s;
}

// The controls of the viewer's windows, each from its window's creation to
// its destruction; touched on the UI thread only.
class Controls {
public:
    HtmlViewControl* Of(Window* window) {
        auto it = controls.find(window);
        return it == controls.end() ? nullptr : it->second.get();
    }
    void Create(Window* window, bool bordered) {
        controls[window] = std::make_unique<HtmlViewControl>(window, bordered);
    }
    // Stops the control's loads and waits for them.
    void Destroy(Window* window) { controls.erase(window); }
    // A window still open when the process ends went with a window system
    // that is gone already: its control cannot be stopped any more and is
    // left to the end of the process.
    ~Controls() {
        for (auto& entry : controls) (void)entry.second.release();
    }

private:
    std::map<Window*, std::unique_ptr<HtmlViewControl>> controls;
};

Controls& TheControls() {
    static Controls controls;
    return controls;
}

LRESULT Procedure(Window* window, std::uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        const auto* create = reinterpret_cast<const CreateStruct*>(lParam);
        TheControls().Create(window, create && (create->style & WS_BORDER));
    }
    HtmlViewControl* control = TheControls().Of(window);
    if (!control) return WS().DefWindowProc(window, message, wParam, lParam);
    if (message == WM_DESTROY) {
        TheControls().Destroy(window);
        return 0;
    }
    return control->Handle(message, wParam, lParam);
}

}  // namespace

bool HtmlViewControl::RegisterWindowClass() {
    if (!WindowSystem::Installed()) return false;
    // A second initialisation finds the class there already, which is as good.
    WS().RegisterClass({kHtmlViewClass, 0, &Procedure});
    return true;
}

HtmlViewControl::HtmlViewControl(Window* window, bool bordered)
    : window(window),
      bordered(bordered),
      settings(DeviceSettings()),
      idleProbe([out = loadsOut] { return out->load() == 0; }) {}

HtmlViewControl::~HtmlViewControl() {
    StopLoads();
    for (auto& load : loads)
        if (load->thread.joinable()) load->thread.join();
}

LRESULT HtmlViewControl::Handle(std::uint32_t message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kNavigateMessage:
        if (lParam) Navigate(::text::Utf16ToUtf8(reinterpret_cast<const char16_t*>(lParam)));
        return 1;
    case kStopMessage:
        StopLoads();
        return 1;
    case kKeyHighlightMessage:
        keyHighlight = wParam != 0;
        WS().InvalidateRect(window, nullptr, false);
        return 1;
    case kFollowLinkMessage:
        return FollowFirstLink() ? 1 : 0;
    case kClearMessage:
        Clear();
        return 1;
    case kPageArrived:
        Arrived(wParam);
        return 0;
    case WM_SIZE:
        Resize(Low(static_cast<std::uintptr_t>(lParam)), High(static_cast<std::uintptr_t>(lParam)));
        return 0;
    case WM_PAINT:
        Paint();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_LBUTTONDOWN:
        if (page) page->StylusDown(SignedLow(lParam), SignedHigh(lParam));
        return 0;
    case WM_LBUTTONUP:
        StylusUp(SignedLow(lParam), SignedHigh(lParam));
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
        // The page has nothing to type into: keys belong to the application.
        if (window->Owner()) WS().PostMessage(window->Owner(), message, wParam, lParam);
        return 0;
    default:
        return WS().DefWindowProc(window, message, wParam, lParam);
    }
}

void HtmlViewControl::Navigate(const std::string& url) {
    StopLoads();
    auto load = std::make_unique<Load>();
    load->generation = ++generation;
    Load* raw = load.get();
    Window* target = window;
    const PageSettings pageSettings = settings;
    loads.push_back(std::move(load));
    loadsOut->store(loads.size());
    raw->thread = std::thread([raw, target, url, pageSettings] {
        raw->page = Page::Load(url, pageSettings, raw->cancel);
        // The control waits for this thread before it goes, so the window
        // is still there to be posted to (or marked destroyed).
        WS().PostMessage(target, kPageArrived, static_cast<WPARAM>(raw->generation), 0);
    });
}

void HtmlViewControl::StopLoads() {
    for (auto& load : loads) load->cancel = true;
}

void HtmlViewControl::Clear() {
    StopLoads();
    Show(nullptr);
}

void HtmlViewControl::Arrived(std::uint64_t arrived) {
    auto it = std::find_if(loads.begin(), loads.end(), [&](auto& l) { return l->generation == arrived; });
    if (it == loads.end()) return;
    std::unique_ptr<Load> load = std::move(*it);
    loads.erase(it);
    if (load->thread.joinable()) load->thread.join();
    loadsOut->store(loads.size());
    // A page that was stopped or overtaken by a newer navigation never shows.
    if (load->page && !load->cancel && load->generation == generation) Show(std::move(load->page));
}

void HtmlViewControl::Show(std::unique_ptr<Page> shown) {
    page = std::move(shown);
    if (page) page->Layout(width, height);
    // What the page says, for whoever reads the window's text (scripts).
    WS().SetWindowText(window, page ? U16(page->VisibleText()) : std::u16string());
    WS().InvalidateRect(window, nullptr, false);
}

void HtmlViewControl::Resize(int w, int h) {
    width = std::max(0, w);
    height = std::max(0, h);
    settings.clientWidth = width;
    settings.clientHeight = height;
    pixels.assign(static_cast<std::size_t>(width) * height, kPaper);
    if (page) page->Layout(width, height);
    WS().InvalidateRect(window, nullptr, false);
}

void HtmlViewControl::Paint() {
    PaintStruct ps = WS().BeginPaint(window);
    if (width > 0 && height > 0) {
        std::fill(pixels.begin(), pixels.end(), kPaper);
        if (page) {
            PageCanvas canvas(pixels.data(), width, height);
            page->Draw(canvas);
        }
        if (bordered) DrawFrame();
        if (keyHighlight) DrawKeyRing();
        WS().Present(window, pixels.data(), width, ps.paint);
    }
    WS().EndPaint(window, ps);
}

void HtmlViewControl::DrawFrame() {
    for (int x = 0; x < width; ++x) pixels[x] = pixels[static_cast<std::size_t>(height - 1) * width + x] = kBorder;
    for (int y = 0; y < height; ++y)
        pixels[static_cast<std::size_t>(y) * width] = pixels[static_cast<std::size_t>(y) * width + width - 1] = kBorder;
}

void HtmlViewControl::DrawKeyRing() {
    // Inside the one-pixel border, which lies just off the screen's edges.
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int edge = std::min({x, y, width - 1 - x, height - 1 - y});
            if (edge >= 1 && edge <= kKeyRingWidth) pixels[static_cast<std::size_t>(y) * width + x] = kKeyRing;
        }
}

void HtmlViewControl::StylusUp(int x, int y) {
    if (!page) return;
    if (std::optional<std::string> link = page->StylusUp(x, y)) Notify(*link);
}

bool HtmlViewControl::FollowFirstLink() {
    std::optional<std::string> link = page ? page->FirstLink() : std::nullopt;
    if (!link) return false;
    Notify(*link);
    return true;
}

void HtmlViewControl::Notify(const std::string& link) {
    if (!window->Owner()) return;
    // The parent may clear this view while it handles the link: the text is
    // our own copy, and nothing of the page is touched after this.
    LinkNotify notify;
    notify.header.from = window;
    notify.header.code = kHotspotNotify;
    notify.link = link.c_str();
    WS().SendMessage(window->Owner(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));
}

}  // namespace platform::htmlview
