#pragma once
#include <array>
#include <string_view>
#include <vector>

namespace catalogd::seed {

struct CategoryDef {
    int id;
    int parent;  // 0 for a top-level category
    std::string_view name;
};

struct AppDef {
    int category;
    std::string_view name;
    std::string_view company;  // one word: the install name is "company name"
    std::string_view tags;     // comma-joined
    std::string_view needs;    // features, comma-joined
    std::string_view editions; // "ppc", "sp" or "" for every edition
    int minWidth;              // smallest screen, portrait; 0 for any
    int minHeight;
};

const std::vector<CategoryDef>& Categories();
// Grouped by category; the seed takes them round-robin so that a small
// catalog still spans every category.
const std::vector<AppDef>& Apps();
const std::vector<std::string_view>& ReviewerLogins();
const std::vector<std::string_view>& ReviewTexts();
std::string_view CategoryBlurb(int category);

}  // namespace catalogd::seed
