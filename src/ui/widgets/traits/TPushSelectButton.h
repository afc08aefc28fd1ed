#pragma once
#include <map>

#include "ui/Surface.h"

// A selectable button: selected (focusable, as radio items are) shows the
// image kept for key 1, unselected the one for key 0. The images are its own,
// apart from the image states of the image below.
template <class Base>
class TPushSelectButton : public Base {
public:
    enum SelectKey : int { Unselected = 0, Selected = 1 };

    void SetSelectImage(int key, const shared_ptr<Surface>& image) {
        selectImages[key] = image;
        if (key == (this->IsFocusable() ? Selected : Unselected)) ShowKey(key);
    }
    int GetSelectKey() const { return currentKey; }

    void OnFocusableChanged(bool selected) override {
        Base::OnFocusableChanged(selected);
        ShowKey(selected ? Selected : Unselected);
    }

private:
    void ShowKey(int key) {
        auto it = selectImages.find(key);
        if (it == selectImages.end()) return;
        currentKey = key;
        this->ShowImage(it->second, false);
    }

    std::map<int, shared_ptr<Surface>> selectImages;
    int currentKey = -1;
};
