// tobrixctl url METHOD [--base URL] [--prefix TEXT] [--static] [--KEY VALUE]...
// Prints the URL the store would request for that method.
#include <iostream>
#include <map>
#include <memory>
#include <optional>

#include "Command.h"
#include "base/Text.h"
#include "net/ApiMethods.h"

namespace tobrixctl {
namespace {

// Every parameter key of the method table.
const char* const kKeys[] = {"sessionid", "login", "pass", "mail", "locale", "osver", "w", "h", "irda", "bt",
                             "wifi", "phone", "gl", "cam", "cam3g", "accel", "gps", "keypad", "cat", "query",
                             "in", "tags", "count", "page", "price", "sort", "appid", "details", "sysid", "rate",
                             "text", "getsize"};

struct UrlOptions {
    std::string method;
    std::string base;
    std::string prefix;
    bool staticForm = false;
    std::map<std::string, std::string> values;
};

class Params {
public:
    explicit Params(const std::map<std::string, std::string>& v) : values(v) {}

    bool Has(const std::string& key) const { return values.count(key) != 0; }
    std::u16string Text(const std::string& key) const {
        auto it = values.find(key);
        return it == values.end() ? std::u16string() : U16(it->second);
    }
    std::optional<int32_t> OptInt(const std::string& key) const {
        auto it = values.find(key);
        if (it == values.end()) return std::nullopt;
        int32_t v = 0;
        if (!text::ParseInt(std::string_view(it->second), v)) throw CommandError("--" + key + " needs a number");
        return v;
    }
    int32_t Int(const std::string& key) const {
        auto v = OptInt(key);
        if (!v) throw CommandError("--" + key + " is required");
        return *v;
    }
    bool Flag(const std::string& key) const { return OptInt(key).value_or(0) != 0; }

private:
    const std::map<std::string, std::string>& values;
};

std::u16string Build(const UrlOptions& o, const ApiContext& c) {
    const Params p(o.values);
    const std::string& m = o.method;
    if (m == "auth") return api::Auth(c, p.Text("login"), p.Text("pass"));
    if (m == "reg") return api::Reg(c, p.Text("login"), p.Text("pass"), p.Text("mail"));
    if (m == "auth_restore") return api::AuthRestore(c, p.Has("mail") ? p.Text("mail") : p.Text("login"));
    if (m == "actmail_resend") return api::ActmailResend(c, p.Text("login"));
    if (m == "config") {
        DeviceProfile d;
        d.osver = p.Text("osver");
        d.width = p.OptInt("w").value_or(0);
        d.height = p.OptInt("h").value_or(0);
        d.irda = p.Flag("irda"), d.bt = p.Flag("bt"), d.wifi = p.Flag("wifi"), d.phone = p.Flag("phone");
        d.gl = p.Flag("gl"), d.cam = p.Flag("cam"), d.cam3g = p.Flag("cam3g"), d.accel = p.Flag("accel");
        d.gps = p.Flag("gps"), d.keypad = p.Flag("keypad");
        return api::Config(c, p.Text("locale"), d);
    }
    if (m == "cats") return api::Cats(c);
    if (m == "tags") return api::Tags(c);
    if (m == "getapps") {
        api::GetAppsQuery q;
        q.cat = p.OptInt("cat");
        q.query = p.Text("query");
        q.in = p.Text("in");
        q.tags = p.Text("tags");
        q.count = p.OptInt("count").value_or(-1);
        q.page = p.OptInt("page").value_or(-1);
        q.price = p.Text("price");
        q.sort = p.Text("sort");
        return api::GetApps(c, q);
    }
    if (m == "appdetails") {
        const bool bySysid = p.Has("details") ? !p.Flag("details") : p.Has("sysid");
        return bySysid ? api::AppDetailsBySysid(c, p.Text("sysid")) : api::AppDetails(c, p.Int("appid"));
    }
    if (m == "reviews") return api::Reviews(c, p.Int("appid"));
    if (m == "rate") return api::Rate(c, p.Int("appid"), p.Int("rate"), p.Text("text"));
    if (m == "feedback") return api::Feedback(c, p.Int("appid"), p.Text("text"));
    if (m == "download")
        return p.Flag("getsize") ? api::DownloadSize(c, p.Int("appid")) : api::Download(c, p.Int("appid"));
    throw CommandError("unknown API method: " + m);
}

void SetupUrl(OptionParser& root) {
    auto options = std::make_shared<UrlOptions>();
    OptionParser& cmd = root.AddCommand("url", "Print the URL of an API method");
    cmd.Add("method", options->method, "API method (auth, reg, cats, getapps, ...)").Required();
    cmd.Add("--base", options->base, "Base URL of the catalog service (default: the device's)");
    cmd.Add("--prefix", options->prefix, "Path prefix of the default form");
    cmd.AddFlag("--static", options->staticForm, "Use the static .xml? form");
    for (const char* key : kKeys) {
        const std::string k = key;
        cmd.AddFunction(
            "--" + k, [options, k](const std::string& v) { options->values[k] = v; }, "Value of \"" + k + "\"");
    }
    cmd.OnChosen([options] {
        ApiContext c;
        c.baseUrl = U16(options->base);
        if (c.baseUrl.empty()) c.baseUrl = CatalogBaseUrl();
        if (c.baseUrl.empty()) throw CommandError("no base URL: give --base URL");
        if (c.baseUrl.back() != u'/') c.baseUrl += u'/';
        c.prefix = U16(options->prefix);
        c.staticForm = options->staticForm;
        auto it = options->values.find("sessionid");
        if (it != options->values.end()) c.sessionId = U16(it->second);
        std::cout << U8(Build(*options, c)) << std::endl;
    });
}

TOBRIXCTL_COMMAND(SetupUrl);

}  // namespace
}  // namespace tobrixctl
