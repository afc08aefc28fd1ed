#pragma once
#include "screens/AppsScene.h"
#include "ui/scenes/Scene.h"

// The order of an application list, chosen from a check list. A local list
// also offers "no particular order"; a server list always has one.
class AppsSceneChooseSort : public Scene {
public:
    AppsSceneChooseSort(SceneHost* host, shared_ptr<AppsScene> list);

    void Build(const shared_ptr<GObject>& root) override;
    // Applies the chosen order to the list and goes back to it.
    void OnChoose(int index) override;

private:
    shared_ptr<AppsScene> list;
    bool serverMode;
};
