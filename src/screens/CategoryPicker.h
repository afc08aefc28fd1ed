#pragma once

class Category;
class Scene;

// A screen that asks the category list for a category (the search screen).
// The list hands the choice over and then pops back to the picker's scene.
class CategoryPicker {
public:
    virtual ~CategoryPicker() = default;
    // Null means any category. The picker refreshes what it shows of it.
    virtual void SetPickedCategory(Category* category) = 0;
    // The scene to return to once the category is handed over.
    virtual Scene* PickerScene() = 0;
};
