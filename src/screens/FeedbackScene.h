#pragma once
#include <cstdint>
#include <string>

#include "screens/ScreenRequest.h"
#include "ui/scenes/Scene.h"
#include "ui/widgets/WidgetTypes.h"

// A report about one application to the catalog's people: a text of several
// lines in the review form's box, sent with the right soft key. An empty
// text sends nothing. After the service took it, a thank-you leads back.
class FeedbackScene : public Scene {
public:
    FeedbackScene(SceneHost* host, std::u16string name, int32_t appId)
        : Scene(host), name(std::move(name)), appId(appId) {}
    ~FeedbackScene() override;

    void Build(const shared_ptr<GObject>& root) override;
    void UpdateMenuBar(const shared_ptr<GObject>& root) override;
    void OnRightSoftKey() override;
    void OnShown() override { ShowEditor(true); }
    void OnResume() override { ShowEditor(true); }
    void OnLeave() override { ShowEditor(false); }
    void OnHide(const shared_ptr<GObject>& root) override;

    const shared_ptr<widgets::MultiLineBox>& Editor() const { return editor; }
    bool Sending() const { return request.Pending(); }

private:
    void AddEditor(GObject& form);
    void ShowEditor(bool show);
    void OnFeedbackDone(HttpRequest* request, bool ok);

    std::u16string name;
    int32_t appId;
    ScreenRequest request;
    shared_ptr<widgets::MultiLineBox> editor;
};
