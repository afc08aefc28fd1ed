#pragma once
#include <string>
#include <vector>

#include "base/ScopedSubscription.h"
#include "ui/scenes/Scene.h"
#include "ui/widgets/WidgetTypes.h"

class SearchScene;

// The keyword of a search and the field it is looked for in. Nothing reaches
// the search screen until the right soft key accepts; back drops the edits.
class ChooseKeywordScene : public Scene {
public:
    ChooseKeywordScene(SceneHost* host, shared_ptr<SearchScene> search);

    void Build(const shared_ptr<GObject>& root) override;
    void UpdateMenuBar(const shared_ptr<GObject>& root) override;
    void OnRightSoftKey() override;

    const std::u16string& SearchIn() const { return searchIn; }
    const shared_ptr<widgets::TextBox>& Edit() const { return edit; }
    // The field choice screen's answer: "", "name", "com" or "desc".
    void SetSearchIn(std::u16string field);

private:
    shared_ptr<SearchScene> search;
    std::u16string searchIn;
    shared_ptr<widgets::TextBox> edit;
    shared_ptr<widgets::Link> fieldLink;
    ScopedSubscription fieldTap, captionTap;
};
