#pragma once
#include <memory>
#include <string>
#include <vector>

#include "screens/SignInForm.h"
#include "ui/scenes/Scene.h"

// The language choice of the sign-in screen: one row per language of the
// texts file, in name order. Choosing another language switches the whole UI
// to it at once, every stacked screen included.
class LoginChooseLanguageScene : public Scene {
public:
    explicit LoginChooseLanguageScene(SceneHost* host) : Scene(host) {}

    void Build(const shared_ptr<GObject>& root) override;
    void UpdateMenuBar(const shared_ptr<GObject>& root) override;
    void OnChoose(int index) override;

private:
    std::unique_ptr<SignInForm> form;
    std::vector<std::u16string> names;
};
