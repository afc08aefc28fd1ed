#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "base/shared_ptr.h"

// One node of the catalog's category tree. The top level hangs under the
// store's all-categories record; parents are not owned, children are.
class Category : public shared_object {
public:
    int32_t id = 0;
    std::u16string name;
    int32_t count = 0;
    Category* parent = nullptr;
    std::vector<shared_ptr<Category>> children;
};
