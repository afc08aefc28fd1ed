#pragma once
#include <vector>

#include "screens/ScreenRequest.h"
#include "ui/scenes/Scene.h"
#include "ui/widgets/Switch.h"

class SearchScene;

// The tags of a search: one switch row per tag of the catalog, on for the
// tags already chosen. The catalog's tags are asked for once per run; the
// right soft key hands the switched-on ones to the search screen.
class ChooseTagsScene : public Scene {
public:
    ChooseTagsScene(SceneHost* host, shared_ptr<SearchScene> search) : Scene(host), search(std::move(search)) {}
    ~ChooseTagsScene() override;

    void Build(const shared_ptr<GObject>& root) override;
    void UpdateMenuBar(const shared_ptr<GObject>& root) override;
    void OnRightSoftKey() override;

    // One switch per row, in the order of the store's tag list.
    const std::vector<shared_ptr<Switch>>& Switches() const { return switches; }
    bool Requesting() const { return request.Pending(); }

private:
    void SendTags();
    void OnTagsDone(HttpRequest* request, bool ok);
    void BuildRows();

    shared_ptr<SearchScene> search;
    shared_ptr<GObject> list;
    std::vector<shared_ptr<Switch>> switches;
    ScreenRequest request;
};
