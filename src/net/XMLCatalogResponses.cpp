#include "net/XMLCatalogResponses.h"

namespace {

// Reads the attribute `name` of every item into `out` until an item lacks it.
void ReadList(const pugi::xml_node& container, const char* name, std::vector<std::u16string>& out) {
    out.clear();
    for (const pugi::xml_node& item : container.children()) {
        std::u16string value;
        if (!XMLResponse::ReadText(item, name, value)) return;
        out.push_back(std::move(value));
    }
}

}  // namespace

bool XMLResponse_Cats::ReadBody(const pugi::xml_node& root) {
    const pugi::xml_node cats = root.child("cats");
    if (!cats || !parent) return false;
    // Walked without recursion, and only so deep: a tree is freed
    // recursively, so a hostile answer nested a million levels deep would
    // exhaust the stack when the categories go.
    Category* level = parent;
    int depth = 1;
    pugi::xml_node container = cats;
    pugi::xml_node item = cats.first_child();
    while (true) {
        if (!item) {
            if (container == cats) return true;
            item = container.next_sibling();
            container = container.parent();
            level = level->parent;
            --depth;
            continue;
        }
        shared_ptr<Category> c = make_shared_obj<Category>();
        c->parent = level;
        level->children.push_back(c);
        if (!ReadText(item, "name", c->name) || !ReadInt(item, "id", c->id) || !ReadInt(item, "count", c->count))
            return false;
        if (item.first_child()) {
            if (++depth > kMaxCategoryDepth) return false;
            container = item;
            level = c.get();
            item = item.first_child();
        } else {
            item = item.next_sibling();
        }
    }
}

bool XMLResponse_Tags::ReadBody(const pugi::xml_node& root) {
    const pugi::xml_node list = root.child("tags");
    if (!list || !tags) return false;
    for (const pugi::xml_node& item : list.children()) {
        std::u16string name;
        int32_t weight = 0;
        if (!ReadText(item, "name", name) || !ReadInt(item, "weight", weight)) return false;
        tags->emplace_back(std::move(name), weight);
    }
    return true;
}

bool XMLResponse_GetApps::FillApp(const pugi::xml_node& e, App& a) {
    // Every attribute is read even after a missing one, so that a list shows
    // what it can of an incomplete entry.
    bool all = true;
    all &= ReadInt(e, "id", a.id);
    all &= ReadText(e, "name", a.name);
    all &= ReadText(e, "com", a.company);
    all &= ReadText(e, "icon", a.icon);
    all &= ReadText(e, "type", a.type);
    all &= ReadInt(e, "catid", a.catid);
    all &= ReadDouble(e, "rate", a.rate);
    all &= ReadInt(e, "rates", a.rates);
    all &= ReadInt(e, "reviews", a.reviews);
    all &= ReadInt(e, "views", a.views);
    all &= ReadInt(e, "downloads", a.downloads);
    all &= ReadText(e, "version", a.version);
    all &= ReadInt(e, "revision", a.revision);
    all &= ReadText(e, "sysid", a.sysid);
    all &= ReadText(e, "exe", a.exe);
    all &= ReadText(e, "install", a.install);
    ReadUInt(e, "createtime", a.createtime);
    return all;
}

bool XMLResponse_GetApps::ReadBody(const pugi::xml_node& root) {
    if (!apps) return false;
    for (const pugi::xml_node& item : root.child("getapps").children()) {
        shared_ptr<App> app = make_shared_obj<App>();
        FillApp(item, *app);
        apps->push_back(app);
    }
    return true;
}

bool XMLResponse_AppDetails::ReadBody(const pugi::xml_node& root) {
    const pugi::xml_node element = root.child("appdetails").child("app");
    if (!element || !app) return false;
    if (!XMLResponse_GetApps::FillApp(element, *app)) return false;
    if (!details) return true;
    const pugi::xml_node d = element.child("details");
    if (!d) return false;
    const bool hasDesc = ReadText(d, "desc", details->desc);
    ReadList(d.child("tags"), "name", details->tags);
    ReadList(d.child("pictures"), "url", details->pictures);
    return hasDesc;
}

bool XMLResponse_Reviews::ReadBody(const pugi::xml_node& root) {
    if (!reviews) return false;
    for (const pugi::xml_node& item : root.child("reviews").children()) {
        ReviewEntry r;
        if (!ReadText(item, "login", r.login) || !ReadText(item, "txt", r.txt) || !ReadInt(item, "rate", r.rate))
            return false;
        reviews->push_back(std::move(r));
    }
    return true;
}
