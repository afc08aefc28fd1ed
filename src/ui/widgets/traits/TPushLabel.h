#pragma once
#include <cstdint>

// A caption whose colour follows the selected (focusable) state of a
// selectable button below it.
template <class Base>
class TPushLabel : public Base {
public:
    void SetSelectColors(uint32_t selected, uint32_t unselected) {
        selectedColor = selected;
        unselectedColor = unselected;
        this->SetColor(this->IsFocusable() ? selectedColor : unselectedColor);
    }
    uint32_t GetSelectedColor() const { return selectedColor; }
    uint32_t GetUnselectedColor() const { return unselectedColor; }

    void OnFocusableChanged(bool selected) override {
        Base::OnFocusableChanged(selected);
        this->SetColor(selected ? selectedColor : unselectedColor);
    }

private:
    uint32_t selectedColor = 0;
    uint32_t unselectedColor = 0;
};
