#pragma once
#include <string>
#include <vector>

#include "shell/AdStrip.h"

// The web view the emulated device lacks: records what the store asked of it.
class FakeAdViewer : public AdViewer {
public:
    void Show(bool v) override { visible = v; }
    bool IsVisible() const override { return visible; }
    void Clear() override { ++clears; }
    void Navigate(const std::u16string& url) override { pages.push_back(url); }
    void Place(int x, int y, int w, int h) override { placed = {x, y, w, h}; }
    void ShowKeyHighlight(bool shown) override { ringed = shown; }
    bool FollowLink() override {
        ++follows;
        return false;
    }

    bool visible = false;
    int clears = 0;
    bool ringed = false;
    int follows = 0;
    std::vector<std::u16string> pages;
    std::vector<int> placed;
};
