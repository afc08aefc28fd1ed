#pragma once
#include <memory>

#include "screens/ScreenRequest.h"
#include "screens/SignInForm.h"
#include "ui/scenes/Scene.h"

// A new account: login, e-mail address and the password twice. Everything
// that can be checked here is checked before anything is sent.
class RegisterScene : public Scene {
public:
    explicit RegisterScene(SceneHost* host) : Scene(host) {}
    ~RegisterScene() override { request.Drop(); }

    void Build(const shared_ptr<GObject>& root) override;
    void UpdateMenuBar(const shared_ptr<GObject>& root) override;
    void OnRightSoftKey() override;  // register

    // The number of the first input error in the fields, or 0 when they can
    // be sent.
    static int32_t Check(const std::u16string& login, const std::u16string& mail, const std::u16string& password,
                         const std::u16string& again);

private:
    void OnRegisterDone(HttpRequest* request, bool ok);

    std::unique_ptr<SignInForm> form;
    shared_ptr<widgets::TextBox> login, mail, password, again;
    ScreenRequest request;
};
