#include "DemoTree.h"

#include <cmath>
#include <filesystem>

#include "base/Text.h"
#include "platform/imaging/Bitmap.h"
#include "ui/FontManager.h"
#include "ui/ImagePool.h"

namespace demo {

namespace text = platform::text;
namespace imaging = platform::imaging;

void ImageNode::Draw(Surface& surface) {
    if (image) surface.DrawImage(0, 0, *image, GetTransparency());
}

void BoxNode::Draw(Surface& surface) { surface.FillColor(Rect(0, 0, Width(), Height()), r, g, b, GetTransparency()); }

void TextNode::Draw(Surface& surface) {
    text::DeviceContext& dc = surface.BeginGdi();
    dc.SelectFont(font);
    // Fades towards white with the object, as labels do.
    auto mix = [t = GetTransparency()](uint32_t c) { return ((static_cast<int>(c) - 255) * t >> 8) + 255; };
    dc.SetTextColor(static_cast<uint32_t>(mix(colorRef & 0xFF) | mix((colorRef >> 8) & 0xFF) << 8 |
                                          mix((colorRef >> 16) & 0xFF) << 16));
    text::TextRect box{0, 0, Width(), Height()};
    dc.DrawText(this->text, box, format);
    surface.EndGdi();
}

namespace {

imaging::Bitmap Paint(int w, int h, auto f) {
    imaging::Bitmap b;
    b.width = w;
    b.height = h;
    b.hasAlpha = true;
    b.rgba.resize(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) f(x, y, &b.rgba[(static_cast<size_t>(y) * w + x) * 4]);
    return b;
}

uint8_t Clamp(double v) { return static_cast<uint8_t>(std::clamp(v, 0.0, 255.0)); }

// A round badge with a soft edge and a soft shadow: every alpha level occurs.
imaging::Bitmap Badge(int size) {
    double c = size / 2.0 - 3, radius = size / 2.0 - 6;
    return Paint(size, size, [&](int x, int y, uint8_t* p) {
        double d = std::hypot(x + 0.5 - c, y + 0.5 - c);
        double shadow = std::hypot(x + 0.5 - c - 3, y + 0.5 - c - 4);
        double body = std::clamp(radius + 0.5 - d, 0.0, 1.0);
        double shade = std::clamp((radius + 4 - shadow) / 8, 0.0, 1.0) * 0.5;
        double a = body + shade * (1 - body);
        double light = 1.0 - (x + y) / (2.0 * size);
        p[0] = Clamp(body * (40 + 180 * light));
        p[1] = Clamp(body * (120 + 100 * light));
        p[2] = Clamp(body * 230 + (1 - body) * 0);
        p[3] = Clamp(a * 255);
        if (body > 0 && std::abs(x - c) < radius * 0.5 && std::abs(y - c) < 3) p[0] = p[1] = p[2] = 255;  // a bar
    });
}

imaging::Bitmap Backdrop(int w, int h) {
    return Paint(w, h, [&](int x, int y, uint8_t* p) {
        p[0] = Clamp(235 - 60.0 * y / h);
        p[1] = Clamp(240 - 30.0 * y / h + 10 * std::sin(x / 17.0));
        p[2] = Clamp(250 - 10.0 * x / w);
        p[3] = 255;
    });
}

// A photo-like opaque picture, to show scaling.
imaging::Bitmap Photo(int w, int h) {
    return Paint(w, h, [&](int x, int y, uint8_t* p) {
        bool check = ((x / 8) + (y / 8)) % 2;
        p[0] = Clamp(check ? 250 : 30 + 200.0 * x / w);
        p[1] = Clamp(check ? 200 : 60 + 150.0 * y / h);
        p[2] = Clamp(check ? 40 : 120);
        p[3] = 255;
    });
}

bool WriteAsset(const std::string& dir, const std::string& name, imaging::Bitmap bitmap, bool alpha, std::string* error) {
    bitmap.hasAlpha = alpha;
    std::vector<uint8_t> bytes;
    return imaging::EncodePng(bitmap, bytes, error) && imaging::WriteFile(U16(dir + "/" + name), bytes, error);
}

template <class T, class... A>
shared_ptr<T> Add(GObject& parent, Rect r, A&&... args) {
    shared_ptr<T> o(new T(std::forward<A>(args)...));
    o->SetRect(r);
    parent.AddChild(o);
    return o;
}

shared_ptr<TextNode> Label(GObject& parent, Rect r, const char* utf8, int weight, int height, uint32_t color,
                           uint32_t format, bool underline = false) {
    return Add<TextNode>(parent, r, U16(utf8), FontManager::Instance().GetFont(weight, height, underline), color, format);
}

}  // namespace

shared_ptr<GObject> Build(const std::string& assetDir, int w, int h, std::string* error) {
    std::filesystem::create_directories(assetDir);
    if (!WriteAsset(assetDir, "backdrop.png", Backdrop(w, h), false, error) ||
        !WriteAsset(assetDir, "badge.png", Badge(72), true, error) ||
        !WriteAsset(assetDir, "photo.png", Photo(96, 64), false, error))
        return nullptr;
    ImagePool& pool = ImagePool::Instance();
    pool.SetBaseFolder(U16(assetDir + "/"));
    shared_ptr<Surface> backdrop = pool.GetImage(u"backdrop.png"), badge = pool.GetImage(u"badge.png"),
                        photo = pool.GetImage(u"photo.png");
    if (backdrop->IsEmpty() || badge->IsEmpty() || photo->IsEmpty()) {
        if (error) *error = "the demo images cannot be decoded";
        return nullptr;
    }
    using namespace text;
    shared_ptr<GObject> root(new ImageNode(backdrop));
    root->SetRect(Rect(0, 0, w, h));

    // Title bar.
    auto bar = Add<BoxNode>(*root, Rect(0, 0, w, 56), 30, 60, 120);
    Label(*bar, Rect(12, 0, w - 24, 56), "Veltra drawing core", 700, 26, 0xFFFFFF, kLeft | kVCenter | kSingleLine);
    Label(*bar, Rect(12, 0, w - 24, 56), "16-bit", 400, 18, 0xC8C8C8, kRight | kVCenter | kSingleLine);

    // Images with alpha over the backdrop, at their size and scaled.
    Add<ImageNode>(*root, Rect(16, 72, 72, 72), badge);
    Add<ImageNode>(*root, Rect(100, 88, 40, 40), badge->GetScaled(40, 40));
    Add<ImageNode>(*root, Rect(152, 64, 108, 108), badge->GetScaled(108, 108));
    Add<ImageNode>(*root, Rect(276, 72, 96, 64), photo);
    Add<ImageNode>(*root, Rect(384, 80, 48, 32), photo->GetScaled(48, 32));
    Add<ImageNode>(*root, Rect(276, 140, 192, 32), photo->GetScaled(192, 32));

    // Text: alignments, weights, underline, Cyrillic, wrapping, ellipsis.
    auto panel = Add<BoxNode>(*root, Rect(16, 184, w - 32, 250), 255, 255, 255);
    const int pw = w - 32;
    Label(*panel, Rect(8, 6, pw - 16, 24), "Left aligned, regular", 400, 20, 0x202020, kLeft | kSingleLine);
    Label(*panel, Rect(8, 32, pw - 16, 24), "Centred, bold", 700, 20, 0x202020, kCenter | kSingleLine);
    Label(*panel, Rect(8, 58, pw - 16, 24), "Right aligned, underlined", 400, 20, 0xAA0000, kRight | kSingleLine, true);
    Label(*panel, Rect(8, 86, pw - 16, 28), "Привет, мир! Ёжик в тумане", 600, 24, 0x006000, kLeft | kSingleLine);
    Label(*panel, Rect(8, 118, pw - 16, 60),
          "Word wrap: a longer description of an application wraps at spaces inside its box, line after line.",
          400, 18, 0x404040, kLeft | kWordBreak);
    Label(*panel, Rect(8, 184, 220, 24), "End ellipsis cuts a label that does not fit", 400, 18, 0x404040,
          kLeft | kSingleLine | kEndEllipsis);
    Label(*panel, Rect(8, 214, pw - 16, 28), "&Prefix marks a key; && is an ampersand", 400, 18, 0x000080,
          kLeft | kSingleLine);

    // A clipped child: the inner box is larger than its parent.
    auto frame = Add<BoxNode>(*root, Rect(16, 450, 200, 90), 200, 60, 60);
    auto inner = Add<BoxNode>(*frame, Rect(-30, 30, 300, 120), 250, 210, 60);
    Label(*inner, Rect(40, 6, 240, 30), "Clipped by its parent", 700, 20, 0x000000, kLeft | kSingleLine);
    Add<ImageNode>(*inner, Rect(150, 24, 72, 72), badge);

    // A half-transparent group: a box, a badge and a label faded together.
    auto group = Add<BoxNode>(*root, Rect(232, 450, 232, 170), 20, 20, 20);
    Add<ImageNode>(*group, Rect(8, 8, 72, 72), badge);
    Label(*group, Rect(88, 8, 136, 72), "Half-transparent group", 700, 20, 0xFFFFFF, kLeft | kWordBreak);
    Add<BoxNode>(*group, Rect(8, 100, 216, 60), 220, 40, 40);
    group->SetTransparency(128, true);

    Label(*root, Rect(16, 560, 200, 60), "480 x 640, RGB 5-6-5", 400, 16, 0x303030, kLeft | kBottom | kSingleLine);
    return root;
}

}  // namespace demo
