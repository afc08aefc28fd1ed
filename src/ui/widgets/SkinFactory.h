#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/widgets/WidgetTypes.h"

// Builds the common elements of the screens from the skin images of the
// program folder (through the image pool, decoded once and shared), so that
// every screen's buttons, boxes and rows look alike. Each routine adds what it
// builds to `parent` under `id` and returns it.
//
// `baseHeight` is the UI's base text height (the screen's font unit); the
// captions and margins scale with it.
class SkinFactory {
public:
    static constexpr uint32_t kWhite = 0xFFFFFF;
    static constexpr uint32_t kPathGrey = 0xC8C8C8;

    // Ids of the title bar's parts, as the header layout finds them.
    enum TitleBarId : int { TitleId = -801, FirstLinkId = -802, FirstSeparatorId = -803, HomeIconId = -804 };

    // A stretched button with a centred white caption; "btn.png" normal,
    // "btn_sel.png" while pressed.
    static shared_ptr<widgets::Button> CreateButton(GObject& parent, const std::u16string& caption, int baseHeight,
                                                    int id = -1);

    // A text box on "edit.png", its text aligned by `horizontalAlign` (the
    // platform's flag) and inset by half the base height on both sides.
    static shared_ptr<widgets::TextBox> CreateTextBox(GObject& parent, uint32_t horizontalAlign, int baseHeight,
                                                      int id = -1);

    // A list row on "ls.png" ("ls_sel.png" while pressed) with separator
    // lines in the given colour.
    static shared_ptr<widgets::RowButton> CreateListRow(GObject& parent, uint8_t red, uint8_t green, uint8_t blue,
                                                        int id = -1);

    // One row per entry; the row at `choice` is selected (focusable) and shows
    // "check.png". A click on a row calls `onChoose` with its index. The
    // callback is held by the rows themselves, so it must not refer to
    // anything that may go before them.
    static std::vector<shared_ptr<widgets::RowButton>> CreateCheckList(GObject& parent,
                                                                       const std::vector<std::u16string>& entries,
                                                                       int choice, int baseHeight,
                                                                       std::function<void(int)> onChoose);

    // Three selectable tabs in a radio group: "sort_left", "sort_mid" and
    // "sort_right", "_sel.png" when selected and "_usel.png" when not.
    static shared_ptr<widgets::RadioGroup> CreateSortSelector(GObject& parent,
                                                              const std::vector<std::u16string>& captions,
                                                              int selected, int baseHeight, int id = -1);

    // The bar on top of a scene: "app_bar.png" stretched, the home icon, and
    // the path to the scene as links separated by " / ", the last part (the
    // scene itself, id -801) in white. Returns the bar; the first link and
    // separator, which the header layout sizes, have ids -802 and -803.
    static shared_ptr<widgets::Image> CreateTitleBar(GObject& parent, const std::vector<std::u16string>& path,
                                                     int baseHeight, int id = -1);

    // Images of the program folder, decoded once.
    static shared_ptr<Surface> SkinImage(const std::u16string& name);
};
