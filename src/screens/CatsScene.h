#pragma once
#include <string>
#include <vector>

#include "base/ScopedSubscription.h"
#include "core/Category.h"
#include "screens/CategoryPicker.h"
#include "screens/ScreenRequest.h"
#include "ui/scenes/Scene.h"

// One level of the category tree. In normal browsing a row opens the list of
// a category's applications, or the next level; when a picker asked for a
// category, the chosen one is handed to it instead. The top level comes from
// the service the first time it is needed.
class CatsScene : public Scene {
public:
    // `category` is not owned: the store's all-categories record or one of
    // its descendants, which live as long as the store state.
    CatsScene(SceneHost* host, Category* category, CategoryPicker* picker);
    ~CatsScene() override;

    void Build(const shared_ptr<GObject>& root) override;

    // What one row shows.
    struct RowSpec {
        std::u16string text;
        std::u16string icon;
        bool arrow = false;
    };
    // The rows in order, for the current tree.
    std::vector<RowSpec> Rows() const;
    // Acts on a tap of row `index` (an index outside the rows does nothing).
    void Choose(int index);

    bool IsRoot() const { return category->parent == nullptr; }

private:
    bool HasFirstRow() const { return !IsRoot() || picker != nullptr; }
    void SendCats();
    void OnCatsDone(HttpRequest* request, bool ok);
    void FillList();
    void OnRowTouched(shared_ptr<GObject>& row, const Touch& touch);
    void OpenApps(Category* c);
    void HandToPicker(Category* c);

    Category* category;
    CategoryPicker* picker;
    shared_ptr<GObject> list;
    ScreenRequest cats;
    std::vector<ScopedSubscription> rowTaps;
};
