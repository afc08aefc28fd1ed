// tobrixctl parse METHOD FILE
// Reads an answer body with the reader of that method and prints what it filled.
#include <fstream>
#include <iterator>
#include <memory>

#include "Command.h"
#include "base/Text.h"
#include "net/NetServices.h"
#include "net/XMLCatalogResponses.h"
#include "net/XMLResponse.h"

namespace tobrixctl {
namespace {

using nlohmann::json;

json CategoryJson(const Category& c) {
    json children = json::array();
    for (const auto& child : c.children) children.push_back(CategoryJson(*child));
    return {{"id", c.id}, {"name", U8(c.name)}, {"count", c.count}, {"children", children}};
}

json AppJson(const App& a) {
    return {{"id", a.id},           {"name", U8(a.name)},       {"company", U8(a.company)},
            {"sysid", U8(a.sysid)}, {"icon", U8(a.icon)},       {"catid", a.catid},
            {"type", U8(a.type)},   {"rate", a.rate},           {"rates", a.rates},
            {"reviews", a.reviews}, {"views", a.views},         {"downloads", a.downloads},
            {"createtime", a.createtime}, {"version", U8(a.version)}, {"revision", a.revision},
            {"exe", U8(a.exe)},     {"install", U8(a.install)}};
}

json Texts(const std::vector<std::u16string>& list) {
    json out = json::array();
    for (const auto& s : list) out.push_back(U8(s));
    return out;
}

json Parse(const std::string& method, const std::string& body) {
    json out;
    auto run = [&](XMLResponse& r) { out["code"] = r.Parse(body.data(), body.size()); };
    if (method == "auth") {
        std::u16string session;
        XMLResponse_Auth r(&session);
        run(r);
        out["session"] = U8(session);
    } else if (method == "reg" || method == "auth_restore" || method == "actmail_resend" || method == "config" ||
               method == "rate" || method == "feedback") {
        XMLResponse r;
        run(r);
    } else if (method == "cats") {
        Category root;
        XMLResponse_Cats r(&root);
        run(r);
        out["categories"] = CategoryJson(root)["children"];
    } else if (method == "tags") {
        TagList tags;
        XMLResponse_Tags r(&tags);
        run(r);
        out["tags"] = json::array();
        for (const auto& [name, weight] : tags) out["tags"].push_back({{"name", U8(name)}, {"weight", weight}});
    } else if (method == "getapps") {
        std::vector<shared_ptr<App>> apps;
        XMLResponse_GetApps r(&apps);
        run(r);
        out["apps"] = json::array();
        for (const auto& a : apps) out["apps"].push_back(AppJson(*a));
    } else if (method == "appdetails") {
        App app;
        AppDetailsRecord details;
        XMLResponse_AppDetails r(&app, &details);
        run(r);
        out["app"] = AppJson(app);
        out["details"] = {{"desc", U8(details.desc)}, {"tags", Texts(details.tags)}, {"pictures", Texts(details.pictures)}};
    } else if (method == "reviews") {
        std::vector<ReviewEntry> reviews;
        XMLResponse_Reviews r(&reviews);
        run(r);
        out["reviews"] = json::array();
        for (const auto& e : reviews)
            out["reviews"].push_back({{"login", U8(e.login)}, {"txt", U8(e.txt)}, {"rate", e.rate}});
    } else {
        throw CommandError("unknown API method: " + method);
    }
    return out;
}

void SetupParse(OptionParser& root) {
    auto method = std::make_shared<std::string>();
    auto file = std::make_shared<std::string>();
    OptionParser& cmd = root.AddCommand("parse", "Parse an answer body with the reader of an API method");
    cmd.Add("method", *method, "API method").Required();
    cmd.Add("file", *file, "File with the answer body").Required();
    cmd.OnChosen([method, file] {
        std::ifstream in(*file, std::ios::binary);
        if (!in) throw CommandError("cannot read " + *file);
        const std::string body((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::lock_guard<std::recursive_mutex> ui(net::UILock());
        PrintJson(Parse(*method, body));
    });
}

TOBRIXCTL_COMMAND(SetupParse);

}  // namespace
}  // namespace tobrixctl
