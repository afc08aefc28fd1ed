#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ui/scenes/Scene.h"

// A screen that picks one value from a list: a header, one row per entry
// with a check mark on the current one, and a tap that hands the row's index
// to OnChoose. Subclasses name the entries and the current choice, and store
// the choice in OnChoose before they go back.
class ChoiceListScene : public Scene {
public:
    ChoiceListScene(SceneHost* host, int32_t title, int32_t backText)
        : Scene(host), title(title), backText(backText) {}

    void Build(const shared_ptr<GObject>& root) override;

protected:
    virtual std::vector<std::u16string> Entries() const = 0;
    // The checked row; one outside the entries checks none.
    virtual int Choice() const = 0;

private:
    int32_t title;
    int32_t backText;
};
