#pragma once
#include <string>
#include <vector>

#include "base/Delegate.h"
#include "base/shared_ptr.h"
#include "ui/StateAnimator.h"

class GObject;
class SceneHost;

// The shell's modal message box: a dimming layer over the whole screen that
// swallows taps, and a panel with a title and a scrolling text that slides
// into the lower half. The two soft keys answer it (the shell routes them
// here while IsOpen()); with no right label the right key is disabled and
// only the left key answers.
//
// Boxes stack. A box shown while another is open goes on top; when it
// closes, the one below is shown again. Every Show returns an event of its
// own, fired once with the answer to that box only, so two callers asking in
// a row never receive each other's answers.
//
// When the last box closes, the box gives the advertising strip back, calls
// the top scene's OnResume, enables the right key, fires the answer and then
// has the shell put the top scene's soft keys back (SceneHost::UpdateSoftKeys)
// unless the answer opened another box, which keeps its own keys.
class PopupBox {
public:
    enum class PopupBoxResult : int { Left = 0, Right = 1 };
    using ResultEvent = Delegation_1<PopupBoxResult>;

    static constexpr int kLayerId = -21212;
    static constexpr int kBoxId = 500;
    static constexpr int kTitleId = -5678;
    static constexpr int kTextId = -5677;

    explicit PopupBox(SceneHost& host) : host(host) {}
    ~PopupBox();
    PopupBox(const PopupBox&) = delete;
    PopupBox& operator=(const PopupBox&) = delete;

    shared_ptr<ResultEvent> Show(const std::u16string& title, const std::u16string& message,
                                 const std::u16string& leftLabel, const std::u16string& rightLabel);
    bool IsOpen() const { return !boxes.empty(); }
    // Boxes open or waiting under the top one.
    size_t Depth() const { return boxes.size(); }
    // Closes the top box with the left (true) or right answer. A right key
    // for a box without a right button, or a key with no box open, is ignored.
    void OnSoftKey(bool left);
    // The dimming layer of the top box (null when none is open).
    const shared_ptr<GObject>& GetLayer() const { return layer; }

private:
    struct Request {
        std::u16string title, message, left, right;
        shared_ptr<ResultEvent> result;
    };

    void Present(const Request& request);
    void RemoveLayer();
    shared_ptr<GObject> BuildPanel(const Request& request) const;
    void FadeIn();

    SceneHost& host;
    std::vector<Request> boxes;  // the open box last
    shared_ptr<GObject> layer;
    shared_ptr<StateAnimator> fade;
};
