#include "screens/RegisterScene.h"

#include "i18n/TextIds.h"
#include "net/ApiMethods.h"
#include "net/XMLResponse.h"
#include "screens/FormAnswer.h"
#include "ui/app/MenuBar.h"
#include "ui/scenes/SceneHost.h"

using namespace signin;

namespace {

std::u16string TextOf(const shared_ptr<widgets::TextBox>& box) { return box ? box->GetText() : std::u16string(); }

}  // namespace

void RegisterScene::Build(const shared_ptr<GObject>& root) {
    // A rebuild (a new language) keeps what the user has typed so far.
    const std::u16string texts[] = {TextOf(login), TextOf(mail), TextOf(password), TextOf(again)};
    form = std::make_unique<SignInForm>(host, *root, Str(4000), Str(1000));
    form->AddCaption(Str(4001));
    login = form->AddEdit(texts[0]);
    form->AddCaption(Str(4002));
    mail = form->AddEdit(texts[1]);
    form->AddCaption(Str(4003));
    password = form->AddEdit(texts[2], true);
    form->AddCaption(Str(4004));
    again = form->AddEdit(texts[3], true);
    form->Finish();
}

void RegisterScene::UpdateMenuBar(const shared_ptr<GObject>& /*root*/) {
    host->GetSoftKeys().SetSoftKey(0, Str(textid::kCancel));
    host->GetSoftKeys().SetSoftKey(1, Str(4005));
}

int32_t RegisterScene::Check(const std::u16string& login, const std::u16string& mail, const std::u16string& password,
                             const std::u16string& again) {
    if (HasNonAscii(login) || HasNonAscii(mail)) return 4009;
    if (login.empty() || mail.empty() || password.empty() || again.empty()) return 1008;
    const size_t at = mail.rfind(u'@'), dot = mail.rfind(u'.');
    if (at == std::u16string::npos || dot == std::u16string::npos || dot < at) return 4008;
    if (password != again) return 4007;
    return 0;
}

void RegisterScene::OnRightSoftKey() {
    const std::u16string l = TextOf(login), m = TextOf(mail), p = TextOf(password);
    if (const int32_t error = Check(l, m, p, TextOf(again))) {
        InputError(error);
        return;
    }
    host->SetInputEnabled(false);
    request.Start(api::Reg(ApiContext::Current(), l, p, m), [this](HttpRequest* r, bool ok) { OnRegisterDone(r, ok); });
}

void RegisterScene::OnRegisterDone(HttpRequest* r, bool ok) {
    if (!formanswer::Accepted<XMLResponse_Reg>(r, ok)) return;
    host->SetInputEnabled(true);
    SceneHost* h = host;
    Inform(4006, textid::kYes, [h] { h->Back(); });
}
