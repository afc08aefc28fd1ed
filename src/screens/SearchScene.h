#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/ScopedSubscription.h"
#include "screens/CategoryPicker.h"
#include "ui/scenes/Scene.h"
#include "ui/widgets/WidgetTypes.h"

class Category;

// The search form: a category, a set of tags and a keyword with the field it
// applies to, each edited on a screen of its own that writes back here. The
// right soft key opens the list of what matches. The criteria live only as
// long as this screen.
class SearchScene : public Scene, public CategoryPicker {
public:
    using Tag = std::pair<std::u16string, int32_t>;  // name, application count
    static constexpr int32_t kNoCriteria = 9018;

    explicit SearchScene(SceneHost* host) : Scene(host) {}

    void Build(const shared_ptr<GObject>& root) override;
    void UpdateMenuBar(const shared_ptr<GObject>& root) override;
    void OnRightSoftKey() override;

    // CategoryPicker
    void SetPickedCategory(Category* category) override;
    Scene* PickerScene() override { return this; }

    // The criteria, as the criterion screens read and write them.
    const std::vector<Tag>& ChosenTags() const { return tags; }
    void SetChosenTags(std::vector<Tag> chosen);
    const std::u16string& Keyword() const { return keyword; }
    const std::u16string& SearchIn() const { return searchIn; }
    void SetKeyword(std::u16string text, std::u16string field);
    Category* ChosenCategory() const { return category; }

    // The three lower lines as shown: category, tags, keyword.
    std::u16string CategoryLine() const;
    std::u16string TagsLine() const;
    std::u16string KeywordLine() const;

    enum class Row : int32_t { Category, Tags, Keyword };

private:
    void RefreshLines();
    void OnRowTouched(shared_ptr<GObject>& row, const Touch& touch);
    void Open(Row row);

    std::vector<Tag> tags;
    std::u16string keyword;
    std::u16string searchIn;
    Category* category = nullptr;
    shared_ptr<widgets::Label> categoryLine, tagsLine, keywordLine;
    std::vector<ScopedSubscription> rowTaps;
};
