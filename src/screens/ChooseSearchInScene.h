#pragma once
#include "screens/ChoiceListScene.h"

class ChooseKeywordScene;

// Where the keyword is looked for: everywhere, the name, the publisher or the
// description. A choice is taken at once.
class ChooseSearchInScene : public ChoiceListScene {
public:
    ChooseSearchInScene(SceneHost* host, shared_ptr<ChooseKeywordScene> keyword);
    void OnChoose(int index) override;

    // The field key of a row, and the row of a field key (0 for anything else).
    static std::u16string FieldOfRow(int index);
    static int RowOfField(const std::u16string& field);
    // The string that names a field key.
    static int32_t FieldText(const std::u16string& field);

protected:
    std::vector<std::u16string> Entries() const override;
    int Choice() const override;

private:
    shared_ptr<ChooseKeywordScene> keyword;
};
