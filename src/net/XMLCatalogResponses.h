#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/shared_ptr.h"
#include "core/Category.h"
#include "net/App.h"
#include "net/XMLResponse.h"

// The tag list of the store state: (name, weight).
using TagList = std::vector<std::pair<std::u16string, int32_t>>;

struct ReviewEntry {
    std::u16string login;
    std::u16string txt;
    int32_t rate = 0;
};

// What the details screen shows beyond the App record.
struct AppDetailsRecord {
    std::u16string desc;
    std::vector<std::u16string> pictures;  // screenshot URLs
    std::vector<std::u16string> tags;      // tag names
};

// "cats": the category tree below the given parent. A category without its
// name, id or count fails the answer; what was read before it stays.
class XMLResponse_Cats : public XMLResponse {
public:
    // Levels below the receiving category; a deeper answer fails.
    static constexpr int kMaxCategoryDepth = 32;

    explicit XMLResponse_Cats(Category* parent) : parent(parent) {}
    bool ReadBody(const pugi::xml_node& root) override;

private:
    Category* parent;
};

class XMLResponse_Tags : public XMLResponse {
public:
    explicit XMLResponse_Tags(TagList* tags) : tags(tags) {}
    bool ReadBody(const pugi::xml_node& root) override;

private:
    TagList* tags;
};

// "getapps": every item becomes an App, complete or not. No list is an empty list.
class XMLResponse_GetApps : public XMLResponse {
public:
    explicit XMLResponse_GetApps(std::vector<shared_ptr<App>>* apps) : apps(apps) {}
    bool ReadBody(const pugi::xml_node& root) override;

    // Fills an App from the attributes of one element; false when a required
    // attribute is missing (the fields read so far stay filled).
    static bool FillApp(const pugi::xml_node& element, App& app);

private:
    std::vector<shared_ptr<App>>* apps;
};

// "appdetails": fills one App; with a details record also its description,
// tags and screenshots.
class XMLResponse_AppDetails : public XMLResponse {
public:
    explicit XMLResponse_AppDetails(App* app, AppDetailsRecord* details = nullptr) : app(app), details(details) {}
    bool ReadBody(const pugi::xml_node& root) override;

private:
    App* app;
    AppDetailsRecord* details;
};

class XMLResponse_Reviews : public XMLResponse {
public:
    explicit XMLResponse_Reviews(std::vector<ReviewEntry>* reviews) : reviews(reviews) {}
    bool ReadBody(const pugi::xml_node& root) override;

private:
    std::vector<ReviewEntry>* reviews;
};
