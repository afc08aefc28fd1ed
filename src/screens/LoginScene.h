#pragma once
#include <functional>
#include <memory>
#include <string>

#include "screens/ScreenRequest.h"
#include "screens/SignInForm.h"
#include "ui/scenes/Scene.h"

// The first screen: login and password, links to the language choice, the
// password restore and the registration. It stays at the bottom of the stack
// for the whole run and is where an expired session leads back to.
class LoginScene : public Scene {
public:
    struct Exits {
        // Hands over (and clears) the application id the program was started
        // with; the main menu opens it once the catalog knows the device.
        std::function<std::u16string()> takePendingAppId;
        // Closes the program.
        std::function<void()> quit;
    };

    LoginScene(SceneHost* host, Exits exits);
    ~LoginScene() override;

    void Build(const shared_ptr<GObject>& root) override;
    void UpdateMenuBar(const shared_ptr<GObject>& root) override;
    void OnLeftSoftKey() override;   // sign in
    void OnRightSoftKey() override;  // leave the program
    bool IsSignInScreen() const override { return true; }

private:
    void SignIn();
    void OnAuthDone(HttpRequest* request, bool ok);
    void OfferActivationMail();
    void SendActivationMail();
    void OnActivationMailDone(HttpRequest* request, bool ok);
    void Continue();
    std::u16string LoginText() const;
    std::u16string PasswordText() const;

    Exits exits;
    std::unique_ptr<SignInForm> form;
    shared_ptr<widgets::TextBox> loginEdit, passwordEdit;
    ScreenRequest auth, activationMail;
};
