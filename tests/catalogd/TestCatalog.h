#pragma once
#include <httplib.h>
#include <pugixml.hpp>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Server.h"

namespace catalogd::test {

// A folder under the system's temporary folder, removed again at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& Path() const { return path; }

private:
    std::filesystem::path path;
};

// The full sample catalog, seeded once per build of the tests and shared
// read-only by all of them (seeding draws every picture and builds every
// package, which is too slow to repeat for each test). Returns the store
// file to copy; its files folder stays where it is.
std::filesystem::path SeededTemplate();

// An answer read as XML: the result code (-1 when the envelope is broken)
// and the document.
struct Answer {
    int http = 0;
    int code = -1;
    pugi::xml_document doc;
    std::string body;
    pugi::xml_node Root() const { return doc.child("kestrum-api"); }
};

// catalogd on 127.0.0.1 with a system-chosen port, serving a private copy of
// the sample catalog, inside the test process.
class TestServer {
public:
    explicit TestServer(ServerOptions options = Defaults());
    ~TestServer();

    static ServerOptions Defaults();

    int Port() const { return port; }
    // Stops serving, as a signal to the program does; later calls do nothing.
    void Stop();
    const std::filesystem::path& DbPath() const { return dbPath; }
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

private:
    TempDir dir;
    std::filesystem::path dbPath;
    std::unique_ptr<Server> server;
    std::thread thread;
    int port = 0;
};

// Every file of a cabinet, by name; a cabinet that cannot be read is a test
// failure and yields what was read of it.
std::map<std::string, std::string> ReadCabinet(const std::string& bytes);
// What xmllint says about the files (read as HTML with `html`): empty when
// every one is well-formed.
std::string LintComplaints(const std::vector<std::filesystem::path>& files, const std::filesystem::path& scratch,
                           bool html = false);
// A whole file as bytes (empty when it cannot be read).
std::string ReadWholeFile(const std::filesystem::path& path);

// Value encoding of the client: Base64 with "+" and "/" escaped.
std::string Encoded(const std::string& text);
// Percent-escapes everything but unreserved characters.
std::string Escaped(const std::string& text);

}  // namespace catalogd::test
