#pragma once
#include <string>
#include <vector>

#include "ui/GObject.h"
#include "ui/Key.h"
#include "ui/Touch.h"
#include "ui/UIServer.h"
#include "ui/WMSurface.h"

// A UI server that paints into a real surface and counts its timer calls:
// what the window backends do, minus the window.
class RecordingServer : public UIServer {
public:
    RecordingServer(int w = 240, int h = 320) {
        root = shared_ptr<GObject>(new GObject());
        root->SetServer(this);
        SetScreenSize(w, h);
        dirty = Rect();
    }
    ~RecordingServer() override {
        if (root) root->SetServer(nullptr);
    }
    bool StartTimer() override {
        ++timerStarts;
        return true;
    }
    void StopTimer() override { ++timerStops; }
    void Resize(int w, int h) override { surface = shared_ptr<WMSurface>(new WMSurface(w, h)); }
    bool Paint(const Rect& r) override {
        surface->PushClip(r);
        surface->SetOrigin(0, 0);
        surface->FillRect(r, 0xFFFF);
        root->DrawTree(*surface);
        surface->PopClip();
        ++paints;
        return true;
    }
    void ClearDirty() { dirty = Rect(); }

    shared_ptr<WMSurface> surface;
    int timerStarts = 0, timerStops = 0, paints = 0;
};

// Runs one stylus message through the tree the way the application does.
inline void Stylus(GObject& root, Touch& touch, int type, int x, int y) {
    touch.Refill(type, x, y, 0);
    DispatchTouch(root, touch);
}

// A tap: the stylus down and up at one point.
inline void Tap(GObject& root, Touch& touch, int x, int y) {
    Stylus(root, touch, Touch::Down, x, y);
    Stylus(root, touch, Touch::Up, x, y);
}

inline shared_ptr<GObject> NewObject(int x, int y, int w, int h) {
    shared_ptr<GObject> o(new GObject());
    o->SetRect(Rect(x, y, w, h));
    return o;
}

// Records every event it is subscribed to, by name.
struct EventLog {
    std::vector<std::string> entries;
    void Touched(shared_ptr<GObject>& o, const Touch& t) {
        entries.push_back("touch" + std::to_string(t.type) + ":" + std::to_string(o->GetId()));
    }
    void Pressed(shared_ptr<GObject>& o, const Touch&) { entries.push_back("press:" + std::to_string(o->GetId())); }
    void Released(shared_ptr<GObject>& o, const Touch&) { entries.push_back("release:" + std::to_string(o->GetId())); }
    void KeyPressed(shared_ptr<GObject>& o, const Key& k) {
        entries.push_back("key" + std::to_string(k.code) + ":" + std::to_string(o->GetId()));
    }
    void Listen(GObject& o) {
        Subscribe(o.Touched(), this, &EventLog::Touched);
        Subscribe(o.Pressed(), this, &EventLog::Pressed);
        Subscribe(o.Released(), this, &EventLog::Released);
    }
};
