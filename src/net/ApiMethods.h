#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "device/DeviceProfile.h"
#include "net/ApiUrl.h"

// Every method of the catalog service, one builder each: the whole method
// table of the client lives here. Each returns the finished URL for
// InetManager. "sessionid" always comes from the context.
namespace api {

std::u16string Auth(const ApiContext& c, std::u16string_view login, std::u16string_view password);
std::u16string Reg(const ApiContext& c, std::u16string_view login, std::u16string_view password,
                   std::u16string_view mail);
// Sends "mail" when the text looks like an address (its last full stop stands
// after its last at-sign), "login" otherwise.
std::u16string AuthRestore(const ApiContext& c, std::u16string_view loginOrMail);
bool LooksLikeMail(std::u16string_view text);
std::u16string ActmailResend(const ApiContext& c, std::u16string_view login);
std::u16string Config(const ApiContext& c, std::u16string_view locale, const DeviceProfile& profile);
std::u16string Cats(const ApiContext& c);
std::u16string Tags(const ApiContext& c);

// What a catalog list asks for; every member left at its default is not sent.
struct GetAppsQuery {
    std::optional<int32_t> cat;  // the chosen category
    std::u16string query;        // search text
    std::u16string in;           // search scope: "name", "com" or "desc"
    std::u16string tags;         // chosen tags
    int32_t count = -1;          // page size
    int32_t page = -1;
    std::u16string price;        // "free", "paid"
    std::u16string sort;         // "rates", "downloads", "views", "createtime"
};
std::u16string GetApps(const ApiContext& c, const GetAppsQuery& q);

std::u16string AppDetails(const ApiContext& c, int32_t appId);
// The update check of an installed package, by its install name.
std::u16string AppDetailsBySysid(const ApiContext& c, std::u16string_view sysid);
std::u16string Reviews(const ApiContext& c, int32_t appId);
// "text" is sent only when not empty.
std::u16string Rate(const ApiContext& c, int32_t appId, int32_t stars, std::u16string_view text);
std::u16string Feedback(const ApiContext& c, int32_t appId, std::u16string_view text);
std::u16string Download(const ApiContext& c, int32_t appId);
// The size query form, read for its Content-Length only.
std::u16string DownloadSize(const ApiContext& c, int32_t appId);

}  // namespace api
