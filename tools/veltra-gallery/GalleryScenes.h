#pragma once
#include <functional>
#include <string>
#include <vector>

#include "ui/GObject.h"
#include "ui/scenes/Scene.h"

// The pages of the widget gallery, one per widget family, each a real scene
// built from the skin images the way the store's screens build theirs.
namespace gallery {

// One application row of a catalog list, as a list shows it.
struct AppRowData {
    std::u16string name;
    std::u16string vendor;
    std::u16string price;
    int rating = 0;  // half stars, 0 to 10
    int votes = 0;
    bool installed = false;
};

// Adds a scroll view to `parent` holding one list row per application, each
// `RowHeight()` high; returns the scroll view.
shared_ptr<GObject> AddAppList(GObject& parent, const std::vector<AppRowData>& apps);
int AppRowHeight();
// `count` made-up applications with varied names, prices and ratings.
std::vector<AppRowData> SampleApps(int count);

// A gallery page: its title, how it fills its body, and whether it shows a
// popup box once it is on screen.
class Page : public Scene {
public:
    using Filler = std::function<void(Page& page, GObject& body)>;
    Page(SceneHost* host, std::u16string title, Filler fill, bool asksQuestion = false);

    void Build(const shared_ptr<GObject>& root) override;
    void UpdateMenuBar(const shared_ptr<GObject>& root) override;
    void OnShown() override;
    const std::u16string& Title() const { return title; }
    // Keeps a helper object (a switch) as long as the page.
    void Keep(const shared_ptr<shared_object>& object) { kept.push_back(object); }
    // A file-name friendly form of the title ("buttons-and-links").
    std::string Slug() const;

private:
    std::u16string title;
    Filler fill;
    bool asksQuestion;
    std::vector<shared_ptr<shared_object>> kept;
};

// Every page of the gallery, in order.
std::vector<shared_ptr<Page>> AllPages(SceneHost* host);

}  // namespace gallery
