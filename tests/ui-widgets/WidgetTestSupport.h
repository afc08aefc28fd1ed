#pragma once
#include <string>

#include "../support/TempDir.h"
#include "TestImages.h"
#include "UiTestSupport.h"
#include "ui/ImagePool.h"

// A server with a root of 240 x 320, and the gestures the tests make on it.
struct WidgetFixture {
    RecordingServer server;
    Touch touch;

    GObject& Root() { return *server.GetRoot(); }
    void Down(int x, int y) { Stylus(Root(), touch, Touch::Down, x, y); }
    void Move(int x, int y) { Stylus(Root(), touch, Touch::Move, x, y); }
    void Up(int x, int y) { Stylus(Root(), touch, Touch::Up, x, y); }
    void Tap(int x, int y) {
        Down(x, y);
        Up(x, y);
    }
    void Frames(int n) {
        for (int i = 0; i < n; ++i) server.Tick(true, true);
    }
    // Keys go where the application sends them: the focus, else the root.
    void Press(int code, char16_t character = 0) {
        Key key;
        key.code = code;
        key.character = character;
        shared_ptr<GObject> target = server.GetFocus() ? server.GetFocus() : server.GetRoot();
        target->ProcessKey(key);
    }
    void Type(const std::u16string& text) {
        for (char16_t c : text) Press(Key::Character, c);
    }
};

// A program folder of small one-colour skin images, handed to the image
// pool for the test's duration.
struct SkinFolder {
    TempDir dir;
    SkinFolder() {
        ImagePool::Instance().Clear();
        ImagePool::Instance().SetBaseFolder(dir.Path().u16string() + u"/");
    }
    ~SkinFolder() {
        ImagePool::Instance().Clear();
        ImagePool::Instance().SetBaseFolder(u"");
    }
    // 0xRRGGBBAA everywhere.
    void Add(const std::string& name, int w, int h, uint32_t rgba) {
        dir.Write(name, testimages::Png(testimages::Make(w, h, true, [rgba](int, int) { return rgba; })));
    }
};
