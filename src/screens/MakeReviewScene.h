#pragma once
#include <cstdint>
#include <string>

#include "screens/ScreenRequest.h"
#include "ui/scenes/Scene.h"
#include "ui/widgets/WidgetTypes.h"

class StarRating;

// The review form: whole stars to pick, an optional comment of several
// lines, and a link to report a problem instead. Send is the right soft
// key; a rating needs at least one star. On a device without a touch screen
// the key highlight starts on the stars, which it must have before a comment
// is worth writing. After the service took it, every screen showing ratings
// is built again.
class MakeReviewScene : public Scene {
public:
    static constexpr int32_t kNeedStars = 10005;

    MakeReviewScene(SceneHost* host, std::u16string name, int32_t appId)
        : Scene(host), name(std::move(name)), appId(appId) {}
    ~MakeReviewScene() override;

    void Build(const shared_ptr<GObject>& root) override;
    void UpdateMenuBar(const shared_ptr<GObject>& root) override;
    void OnRightSoftKey() override;
    void OnShown() override { ShowForm(); }
    void OnResume() override { ShowForm(); }
    void OnLeave() override { ShowEditor(false); }
    void OnHide(const shared_ptr<GObject>& root) override;

    // The comment box (a row of the form) and the stars.
    const shared_ptr<widgets::MultiLineBox>& Editor() const { return editor; }
    const shared_ptr<StarRating>& Stars() const { return stars; }
    bool Sending() const { return request.Pending(); }
    // What goes to the service as the comment.
    std::u16string WireText() const;

private:
    void BuildForm(GObject& form);
    void AddEditor(GObject& form);
    void ShowEditor(bool show);
    void ShowForm();
    void OnRateDone(HttpRequest* request, bool ok);

    std::u16string name;
    int32_t appId;
    ScreenRequest request;
    shared_ptr<StarRating> stars;
    shared_ptr<widgets::MultiLineBox> editor;
    std::vector<ScopedSubscription> taps;
};
