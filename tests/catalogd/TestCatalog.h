#pragma once
#include <httplib.h>
#include <pugixml.hpp>

#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Server.h"
#include "support/ProgramRun.h"
#include "support/TempDir.h"

namespace catalogd::test {

using ::TempDir;

// The full sample catalog, seeded once per build of the tests and shared
// read-only by all of them (seeding draws every picture and builds every
// package, which is too slow to repeat for each test). Returns the store
// file to copy; its files folder stays where it is.
std::filesystem::path SeededTemplate();

// From now on every TestStore of this program is a database of the
// PostgreSQL server whose maintenance database `url` names, made from the
// database `templateName` (which holds a seeded catalog).
void UsePostgres(const std::string& url, const std::string& templateName);
// `url` with another database name.
std::string DatabaseUrl(const std::string& url, const std::string& name);

// A private copy of the sample catalog on the engine the program tests: a
// copy of the seeded store file, or a fresh database (see UsePostgres).
class TestStore {
public:
    TestStore();
    ~TestStore();
    TestStore(const TestStore&) = delete;
    TestStore& operator=(const TestStore&) = delete;

    // What "--db" takes: a file path or a URL.
    const std::string& Location() const { return location; }
    // Where the catalog keeps an application's current package.
    std::filesystem::path PackageFile(int appId) const;

private:
    TempDir dir;
    std::string location;
    std::string database;  // dropped again at the end
};

// catalogd run to its end as people run it, with standard output and error together.
Captured RunCatalogd(const std::vector<std::string>& args);

// An answer read as XML: the result code (-1 when the envelope is broken)
// and the document.
struct Answer {
    int http = 0;
    int code = -1;
    pugi::xml_document doc;
    std::string body;
    pugi::xml_node Root() const { return doc.child("kestrum-api"); }
};

// Requests to a catalog service, encoded as the client encodes them.
class ApiClient {
public:
    ApiClient() = default;
    // "http://host:port/"
    explicit ApiClient(const std::string& baseUrl);

    int Port() const { return port; }
    httplib::Client Client() const;
    // GET of a path with its query, already encoded as the client would.
    Answer Get(const std::string& pathAndQuery) const;
    // "/<method>.xml?" + query.
    Answer Call(const std::string& method, const std::string& query) const;
    // Signs in (demo/demo unless told otherwise) and returns the session id.
    std::string SignIn(const std::string& login = "demo", const std::string& password = "demo") const;
    // Sends "config" for the given device.
    int Configure(const std::string& session, const std::string& osver, int w, int h,
                  const std::string& features) const;
    // The application element of "appdetails".
    pugi::xml_node Details(Answer& a, const std::string& session, int appId, bool details = false) const;

protected:
    std::string host = "127.0.0.1";
    int port = 0;
};

// catalogd on 127.0.0.1 with a system-chosen port, serving a private copy of
// the sample catalog, inside the test process.
class TestServer : public ApiClient {
public:
    explicit TestServer(ServerOptions options = Defaults());
    ~TestServer();

    static ServerOptions Defaults();

    // Stops serving, as a signal to the program does; later calls do nothing.
    void Stop();
    const std::string& Store() const { return store.Location(); }
    std::filesystem::path PackageFile(int appId) const { return store.PackageFile(appId); }
    // The path part of a URL the service handed out.
    std::string PathOf(const std::string& url) const;
    // The running service, for the counts its bounds keep.
    const Server& Service() const { return *server; }

private:
    TestStore store;
    std::unique_ptr<Server> server;
    std::thread thread;
};

// A plain TCP connection to 127.0.0.1, for clients that misbehave on purpose
// (a head sent in pieces, or one that never ends).
class RawConnection {
public:
    explicit RawConnection(int port);
    ~RawConnection();
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    // False once the server has stopped taking bytes.
    bool Send(const std::string& bytes);
    // Everything the server sends until it closes the connection; false when
    // it has not closed it within `boundSeconds`.
    bool ReadToEnd(std::string& out, int boundSeconds = 20);

private:
    int fd = -1;
};

// What xmllint says about the files (read as HTML with `html`): empty when
// every one is well-formed.
std::string LintComplaints(const std::vector<std::filesystem::path>& files, bool html = false);

// Value encoding of the client: Base64 with "+" and "/" escaped.
std::string Encoded(const std::string& text);
// Percent-escapes everything but unreserved characters.
std::string Escaped(const std::string& text);

}  // namespace catalogd::test
