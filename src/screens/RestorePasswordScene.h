#pragma once
#include <memory>

#include "screens/ScreenRequest.h"
#include "screens/SignInForm.h"
#include "ui/scenes/Scene.h"

// A forgotten password: the service mails it to the account found by its
// login or by its e-mail address, whichever the user typed.
class RestorePasswordScene : public Scene {
public:
    explicit RestorePasswordScene(SceneHost* host) : Scene(host) {}
    ~RestorePasswordScene() override { request.Drop(); }

    void Build(const shared_ptr<GObject>& root) override;
    void UpdateMenuBar(const shared_ptr<GObject>& root) override;
    void OnRightSoftKey() override;  // send

private:
    void OnRestoreDone(HttpRequest* request, bool ok);

    std::unique_ptr<SignInForm> form;
    shared_ptr<widgets::TextBox> field;
    ScreenRequest request;
};
