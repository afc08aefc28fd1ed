#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "net/XMLCatalogResponses.h"
#include "screens/ScreenRequest.h"
#include "ui/scenes/Scene.h"

// The reviews of one application, newest as the service orders them, on
// alternating backgrounds with their stars and authors. The right soft key
// opens the review form.
class ReviewsScene : public Scene {
public:
    static constexpr int32_t kWriteReview = 8006;

    ReviewsScene(SceneHost* host, std::u16string name, int32_t appId)
        : Scene(host), name(std::move(name)), appId(appId) {}
    ~ReviewsScene() override;

    void Build(const shared_ptr<GObject>& root) override;
    void UpdateMenuBar(const shared_ptr<GObject>& root) override;
    void OnRightSoftKey() override;
    bool RefreshOnDataChange() const override { return true; }

    const std::vector<ReviewEntry>& Reviews() const { return reviews; }

private:
    void OnReviewsDone(HttpRequest* request, bool ok);
    void AddItem(const ReviewEntry& review, size_t position);
    static void AddDivider(GObject& item, int fontUnit);

    std::u16string name;
    int32_t appId;
    ScreenRequest request;
    std::vector<ReviewEntry> reviews;
    shared_ptr<GObject> list;
};
