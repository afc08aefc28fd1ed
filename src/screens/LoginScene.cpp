#include "screens/LoginScene.h"

#include "core/Kestrum.h"
#include "i18n/TextIds.h"
#include "net/ApiMethods.h"
#include "net/XMLResponse.h"
#include "screens/FormAnswer.h"
#include "screens/LoginChooseLanguageScene.h"
#include "screens/MainMenuScene.h"
#include "screens/RegisterScene.h"
#include "screens/RestorePasswordScene.h"
#include "screens/SettingsScene.h"
#include "ui/app/MenuBar.h"
#include "ui/scenes/SceneHost.h"

using namespace signin;

LoginScene::LoginScene(SceneHost* h, Exits e) : Scene(h), exits(std::move(e)) {
    if (host) host->SetSignInScene(this);
}

LoginScene::~LoginScene() {
    auth.Drop();
    activationMail.Drop();
    if (host) host->SetSignInScene(nullptr);
}

std::u16string LoginScene::LoginText() const { return loginEdit ? loginEdit->GetText() : std::u16string(); }
std::u16string LoginScene::PasswordText() const { return passwordEdit ? passwordEdit->GetText() : std::u16string(); }

void LoginScene::Build(const shared_ptr<GObject>& root) {
    // A rebuild (a new language) keeps what the user has typed so far.
    const Kestrum& k = Kestrum::Instance();
    const std::u16string login = loginEdit ? LoginText() : k.sessionLogin;
    const std::u16string password = passwordEdit ? PasswordText() : k.sessionPassword;
    form = std::make_unique<SignInForm>(host, *root, Str(1000), std::u16string());
    form->AddLink(Str(1007), [this] { host->PushScene(shared_ptr<Scene>(new LoginChooseLanguageScene(host))); });
    form->AddCaption(Str(1001));
    loginEdit = form->AddEdit(login);
    form->AddCaption(Str(1002));
    passwordEdit = form->AddEdit(password, true);
    form->AddLink(Str(1003), [this] { host->PushScene(shared_ptr<Scene>(new RestorePasswordScene(host))); });
    form->AddCaption(Str(1004));
    form->AddLink(Str(1005), [this] { host->PushScene(shared_ptr<Scene>(new RegisterScene(host))); });
    form->Finish();
}

void LoginScene::UpdateMenuBar(const shared_ptr<GObject>& /*root*/) {
    host->GetSoftKeys().SetSoftKey(0, Str(1006));
    host->GetSoftKeys().SetSoftKey(1, Str(6));
}

void LoginScene::OnLeftSoftKey() { SignIn(); }

void LoginScene::OnRightSoftKey() {
    Ask(Str(12), [quit = exits.quit](bool yes) {
        if (yes && quit) quit();
    });
}

void LoginScene::SignIn() {
    Kestrum& k = Kestrum::Instance();
    k.sessionLogin = LoginText();
    k.sessionPassword = PasswordText();
    if (k.sessionLogin.empty() || k.sessionPassword.empty() || HasNonAscii(k.sessionLogin)) {
        InputError(1008);
        return;
    }
    host->SetInputEnabled(false);
    auth.Start(api::Auth(ApiContext::Current(), k.sessionLogin, k.sessionPassword),
               [this](HttpRequest* r, bool ok) { OnAuthDone(r, ok); });
}

void LoginScene::OnAuthDone(HttpRequest* request, bool ok) {
    if (!ok) {
        XMLResponse::ShowError(XMLResponse::kNoAnswer);
        return;
    }
    std::u16string sessionId;
    XMLResponse_Auth answer(&sessionId);
    const int32_t code = answer.Parse(request->Data(), request->Size());
    if (code == XMLResponse::kNotActivated) {
        // The offer goes under the common message, so the user reads why
        // first and is asked about the mail after it.
        OfferActivationMail();
        XMLResponse::ShowError(code);
        return;
    }
    if (code != XMLResponse::kSuccess) {
        XMLResponse::ShowError(code);
        return;
    }
    Kestrum& k = Kestrum::Instance();
    k.SetSessionId(sessionId);
    host->SetInputEnabled(true);
    if (k.sessionLogin == k.savedLogin && k.sessionPassword == k.savedPassword) {
        Continue();
        return;
    }
    Ask(Str(1011), [this](bool yes) {
        if (yes) {
            Kestrum& store = Kestrum::Instance();
            store.savedLogin = store.sessionLogin;
            store.savedPassword = store.sessionPassword;
        }
        Continue();
    });
}

void LoginScene::OfferActivationMail() {
    Ask(Str(202) + u"\n\n" + Str(1009), [this](bool yes) {
        if (yes) SendActivationMail();
    });
}

void LoginScene::SendActivationMail() {
    host->SetInputEnabled(false);
    activationMail.Start(api::ActmailResend(ApiContext::Current(), LoginText()),
                         [this](HttpRequest* r, bool ok) { OnActivationMailDone(r, ok); });
}

void LoginScene::OnActivationMailDone(HttpRequest* request, bool ok) {
    if (!formanswer::Accepted<XMLResponse>(request, ok)) return;
    host->SetInputEnabled(true);
    Inform(1010, textid::kOk);
}

void LoginScene::Continue() {
    auto mainMenu = [h = host, take = exits.takePendingAppId, quit = exits.quit] {
        return shared_ptr<Scene>(new MainMenuScene(h, take, quit));
    };
    if (Kestrum::Instance().settingsMissing)
        host->PushScene(shared_ptr<Scene>(new SettingsScene(host, true, mainMenu)));
    else
        host->PushScene(mainMenu());
}
