// catalogd's request handling without a socket: a path, a query string and
// a Host header of any bytes (hostile Base64 values included) get an answer
// in the envelope, a file from the files folder or a plain 404; never a
// crash, never a file from outside the files folder.
#include <httplib.h>
#include <pugixml.hpp>

#include "Db.h"
#include "FuzzSupport.h"
#include "Schema.h"
#include "Seed.h"
#include "Server.h"

namespace {

// A small seeded store, made once per process; the server goes before the
// folder that holds its database.
struct Store {
    fuzz::ScratchDir dir{"catalogd"};
    catalogd::Server server{Seed(dir), Options()};

    static std::string Seed(const fuzz::ScratchDir& dir) {
        const std::string db = (dir.path / "catalog.db").string();
        catalogd::Db store(db);
        catalogd::SeedCatalog(store, {(dir.path / "files").string(), 3, {}});
        std::ofstream(dir.path / "secret.txt") << "not served";
        return db;
    }
    static catalogd::ServerOptions Options() {
        catalogd::ServerOptions options;
        options.quiet = true;
        return options;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Input: path, then the query string, then the Host header, each ending
    // at a line feed.
    std::string_view in(reinterpret_cast<const char*>(data), size);
    auto line = [&in] {
        size_t end = in.find('\n');
        std::string_view part = in.substr(0, end);
        in = end == std::string_view::npos ? std::string_view() : in.substr(end + 1);
        return std::string(part);
    };
    httplib::Request req;
    req.method = "GET";
    req.path = line();
    std::string query = line();
    req.target = query.empty() ? req.path : req.path + "?" + query;
    req.headers.emplace("Host", line());

    static Store store;
    httplib::Response res;
    store.server.Handle(req, res);
    fuzz::Check(res.body.find("not served") == std::string::npos, "a file outside the files folder was served");
    if (res.get_header_value("Content-Type").starts_with("text/xml")) {
        pugi::xml_document doc;
        fuzz::Check(bool(doc.load_buffer(res.body.data(), res.body.size())), "an answer that is not XML");
        fuzz::Check(bool(doc.child("kestrum-api").child("result").attribute("code")), "an answer outside the envelope");
    }
    return 0;
}
