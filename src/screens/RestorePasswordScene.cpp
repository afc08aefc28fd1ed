#include "screens/RestorePasswordScene.h"

#include "i18n/TextIds.h"
#include "net/ApiMethods.h"
#include "net/XMLResponse.h"
#include "screens/FormAnswer.h"
#include "ui/app/MenuBar.h"
#include "ui/scenes/SceneHost.h"

using namespace signin;

void RestorePasswordScene::Build(const shared_ptr<GObject>& root) {
    const std::u16string typed = field ? field->GetText() : std::u16string();
    form = std::make_unique<SignInForm>(host, *root, Str(2000), Str(1000));
    form->AddCaption(Str(2001));
    field = form->AddEdit(typed);
    form->Finish();
}

void RestorePasswordScene::UpdateMenuBar(const shared_ptr<GObject>& /*root*/) {
    host->GetSoftKeys().SetSoftKey(0, Str(textid::kCancel));
    host->GetSoftKeys().SetSoftKey(1, Str(2003));
}

void RestorePasswordScene::OnRightSoftKey() {
    const std::u16string text = field ? field->GetText() : std::u16string();
    if (text.empty() || HasNonAscii(text)) {
        InputError(1008);
        return;
    }
    host->SetInputEnabled(false);
    request.Start(api::AuthRestore(ApiContext::Current(), text),
                  [this](HttpRequest* r, bool ok) { OnRestoreDone(r, ok); });
}

void RestorePasswordScene::OnRestoreDone(HttpRequest* r, bool ok) {
    if (!formanswer::Accepted<XMLResponse_AuthRestore>(r, ok)) return;
    host->SetInputEnabled(true);
    SceneHost* h = host;
    Inform(2004, textid::kYes, [h] { h->Back(); });
}
