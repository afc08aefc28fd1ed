#include "net/XMLCatalogResponses.h"

#include <cctype>
#include <charconv>
#include <cstring>
#include <string>

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

// The attributes of an application element.
enum AppField {
    kId, kName, kCom, kIcon, kType, kCatid, kRate, kRates, kReviews, kViews,
    kDownloads, kVersion, kRevision, kSysid, kExe, kInstall, kCreatetime, kAppFieldCount
};

int AppFieldIndex(const char* n) {
    auto is = [n](const char* name) { return std::strcmp(n, name) == 0; };
    switch (n[0]) {
    case 'i': return is("id") ? kId : is("icon") ? kIcon : is("install") ? kInstall : -1;
    case 'n': return is("name") ? kName : -1;
    case 'c': return is("com") ? kCom : is("catid") ? kCatid : is("createtime") ? kCreatetime : -1;
    case 't': return is("type") ? kType : -1;
    case 'r': return is("rate") ? kRate : is("rates") ? kRates : is("reviews") ? kReviews : is("revision") ? kRevision : -1;
    case 'v': return is("views") ? kViews : is("version") ? kVersion : -1;
    case 'd': return is("downloads") ? kDownloads : -1;
    case 's': return is("sysid") ? kSysid : -1;
    case 'e': return is("exe") ? kExe : -1;
    default: return -1;
    }
}

// 64 hexadecimal digits, lowercased; empty for anything else.
std::string Sha256Hex(const char* text) {
    std::string hex;
    for (const char* c = text; *c; ++c) {
        const char l = static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
        if (!std::isxdigit(static_cast<unsigned char>(l)) || hex.size() == 64) return {};
        hex.push_back(l);
    }
    return hex.size() == 64 ? hex : std::string();
}

// The signed statement's own fields. Whatever is missing or malformed stays
// empty, and an empty statement is never trusted: the store then refuses the
// package rather than install it unchecked. Also cleared when absent, so an
// older answer's signature never stays with a newer record.
void ReadPackageStatement(const pugi::xml_node& package, App& app) {
    app.sha256 = Sha256Hex(package.attribute("sha256").value());
    const std::string_view size = package.attribute("size").value();
    int64_t bytes = 0;
    const auto [end, error] = std::from_chars(size.data(), size.data() + size.size(), bytes);
    app.packageSize = (error == std::errc() && end == size.data() + size.size() && bytes > 0) ? bytes : 0;
    app.packageKey = package.attribute("key").value();
    app.packageSignature = package.attribute("signature").value();
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
    // One pass over the element's attributes instead of a lookup by name per
    // field: lists of applications are the largest answers the store reads.
    pugi::xml_attribute found[kAppFieldCount];
    for (const pugi::xml_attribute& attr : e.attributes()) {
        const int field = AppFieldIndex(attr.name());
        if (field >= 0 && !found[field]) found[field] = attr;  // the first of a name counts
    }
    // Every attribute is read even after a missing one, so that a list shows
    // what it can of an incomplete entry.
    bool all = true;
    all &= ReadInt(found[kId], a.id);
    all &= ReadText(found[kName], a.name);
    all &= ReadText(found[kCom], a.company);
    all &= ReadText(found[kIcon], a.icon);
    all &= ReadText(found[kType], a.type);
    all &= ReadInt(found[kCatid], a.catid);
    all &= ReadDouble(found[kRate], a.rate);
    all &= ReadInt(found[kRates], a.rates);
    all &= ReadInt(found[kReviews], a.reviews);
    all &= ReadInt(found[kViews], a.views);
    all &= ReadInt(found[kDownloads], a.downloads);
    all &= ReadText(found[kVersion], a.version);
    // A revision is counted from 1 and the device records it as a signed
    // 32-bit number: anything else, a number too large to read included,
    // leaves the record with no revision rather than with an older one.
    a.revision = 0;
    const bool revisionRead = ReadInt(found[kRevision], a.revision) && a.revision > 0;
    if (!revisionRead) a.revision = 0;
    all &= revisionRead;
    all &= ReadText(found[kSysid], a.sysid);
    all &= ReadText(found[kExe], a.exe);
    all &= ReadText(found[kInstall], a.install);
    ReadUInt(found[kCreatetime], a.createtime);
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
    ReadPackageStatement(element.child("package"), *app);
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
