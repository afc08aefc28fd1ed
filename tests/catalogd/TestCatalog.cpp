#include "TestCatalog.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>

#include "Base64.h"
#include "Db.h"
#include "DeviceConfig.h"
#include "Seed.h"

namespace catalogd::test {

namespace fs = std::filesystem;

fs::path SeededTemplate() {
    // Keyed by the test program and its time stamp: a rebuilt program (and
    // so a changed seed) gets a fresh template, and replaces only its own:
    // the other catalogd suite may be copying from its template meanwhile.
    struct stat self {};
    stat("/proc/self/exe", &self);
    const std::string own = "seed-" + fs::read_symlink("/proc/self/exe").filename().string() + "-";
    fs::path base = fs::path(TOBRIX_BINARY_DIR) / "tests" / "catalogd";
    fs::create_directories(base);
    fs::path dir = base / (own + std::to_string(self.st_mtim.tv_sec) + "-" + std::to_string(self.st_mtim.tv_nsec));
    fs::path db = dir / "catalog.db";
    int lock = open((base / "seed.lock").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644);
    flock(lock, LOCK_EX);
    if (!fs::exists(db)) {
        for (const auto& old : fs::directory_iterator(base))
            if (old.is_directory() && old.path().filename().string().starts_with(own)) fs::remove_all(old.path());
        fs::path work = base / "seed-work";
        fs::remove_all(work);
        fs::create_directories(work);
        {
            Db store((work / "catalog.db").string());
            SeedCatalog(store, {(dir / "files").string(), 0, {}});
        }
        fs::create_directories(dir);
        fs::rename(work / "catalog.db", db);
        fs::remove_all(work);
    }
    flock(lock, LOCK_UN);
    close(lock);
    return db;
}

ServerOptions TestServer::Defaults() {
    ServerOptions o;
    o.host = "127.0.0.1";
    o.port = 0;
    o.quiet = true;
    o.threads = 4;
    o.service.prefix = "api_";
    return o;
}

namespace {

struct PostgresTemplate {
    std::string url;
    std::string name;
};

std::optional<PostgresTemplate>& Postgres() {
    static std::optional<PostgresTemplate> postgres;
    return postgres;
}

}  // namespace

void UsePostgres(const std::string& url, const std::string& templateName) {
    Postgres() = PostgresTemplate{url, templateName};
}

std::string DatabaseUrl(const std::string& url, const std::string& name) {
    size_t start = url.find('/', url.find("://") + 3);
    size_t end = url.find('?', start);
    return url.substr(0, start + 1) + name + (end == std::string::npos ? "" : url.substr(end));
}

TestStore::TestStore() {
    if (!Postgres()) {
        location = (dir.Path() / "catalog.db").string();
        fs::copy_file(SeededTemplate(), location);
        return;
    }
    static int count = 0;
    database = "test_" + std::to_string(++count);
    Db(Postgres()->url).Exec("CREATE DATABASE " + database + " TEMPLATE " + Postgres()->name);
    location = DatabaseUrl(Postgres()->url, database);
}

TestStore::~TestStore() {
    if (database.empty()) return;
    try {
        Db(Postgres()->url).Exec("DROP DATABASE " + database + " WITH (FORCE)");
    } catch (const DbError& e) {
        ADD_FAILURE() << e.what();
    }
}

fs::path TestStore::PackageFile(int appId) const {
    Db db(location);
    Stmt& s = db.Prepare("SELECT (SELECT value FROM meta WHERE key = 'assets') || '/' || package FROM apps WHERE id = ?1");
    s.BindAll(int64_t(appId));
    fs::path p = s.Step() ? fs::path(s.Text(0)) : fs::path();
    s.Reset();
    return p;
}

Captured RunCatalogd(const std::vector<std::string>& args) {
    Captured run = RunCaptured(CATALOGD_EXE, args);
    run.out += run.err;
    return run;
}

TestServer::TestServer(ServerOptions options) {
    server = std::make_unique<Server>(store.Location(), options);
    port = server->Bind();
    thread = std::thread([this] { server->Run(); });
}

TestServer::~TestServer() { Stop(); }

std::string TestServer::PathOf(const std::string& url) const {
    const std::string base = "http://127.0.0.1:" + std::to_string(Port());
    EXPECT_EQ(url.rfind(base, 0), 0u) << url;
    return url.substr(base.size());
}

void TestServer::Stop() {
    if (!thread.joinable()) return;
    server->Stop();
    thread.join();
}

ApiClient::ApiClient(const std::string& baseUrl) {
    std::string rest = baseUrl.substr(baseUrl.find("://") + 3);
    rest = rest.substr(0, rest.find('/'));
    host = rest.substr(0, rest.rfind(':'));
    port = std::stoi(rest.substr(rest.rfind(':') + 1));
}

httplib::Client ApiClient::Client() const {
    httplib::Client c(host, port);
    c.set_url_encode(false);
    c.set_connection_timeout(5, 0);
    c.set_read_timeout(10, 0);
    return c;
}

Answer ApiClient::Get(const std::string& pathAndQuery) const {
    Answer a;
    auto result = Client().Get(pathAndQuery);
    if (!result) return a;
    a.http = result->status;
    a.body = result->body;
    if (a.doc.load_string(a.body.c_str())) {
        pugi::xml_attribute code = a.Root().child("result").attribute("code");
        if (code) a.code = code.as_int(-1);
    }
    return a;
}

Answer ApiClient::Call(const std::string& method, const std::string& query) const {
    return Get("/" + method + ".xml?" + query);
}

std::string ApiClient::SignIn(const std::string& login, const std::string& password) const {
    Answer a = Call("auth", "login=" + Escaped(login) + "&pass=" + Encoded(password) + "&ver=1.0b");
    if (a.code != 0) throw std::runtime_error("sign-in failed with " + std::to_string(a.code));
    return a.Root().child("auth").attribute("id").value();
}

int ApiClient::Configure(const std::string& session, const std::string& osver, int w, int h,
                          const std::string& features) const {
    std::string q = "sessionid=" + session + "&locale=en&osver=" + osver + "&w=" + std::to_string(w) +
                    "&h=" + std::to_string(h);
    for (std::string_view f : kFeatures) {
        bool on = ("," + features + ",").find("," + std::string(f) + ",") != std::string::npos;
        q += "&" + std::string(f) + "=" + (on ? "1" : "0");
    }
    return Call("config", q).code;
}

pugi::xml_node ApiClient::Details(Answer& a, const std::string& session, int appId, bool details) const {
    a = Call("appdetails", "sessionid=" + session + "&appid=" + std::to_string(appId) + "&details=" + (details ? "1" : "0"));
    return a.Root().child("appdetails").child("app");
}

RawConnection::RawConnection(int port) {
    fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
        throw std::runtime_error("cannot connect to port " + std::to_string(port));
}

RawConnection::~RawConnection() {
    if (fd >= 0) close(fd);
}

bool RawConnection::Send(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool RawConnection::ReadToEnd(std::string& out, int boundSeconds) {
    for (int waited = 0; waited < boundSeconds * 10;) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 100) == 0) {
            ++waited;
            continue;
        }
        char buf[4096];
        const ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n <= 0) return true;  // closed, or reset after a refusal
        out.append(buf, static_cast<size_t>(n));
    }
    return false;
}

std::string Encoded(const std::string& text) {
    std::string out;
    for (char c : Base64Encode(text)) {
        if (c == '+') out += "%2B";
        else if (c == '/') out += "%2F";
        else out.push_back(c);
    }
    return out;
}

std::string Escaped(const std::string& text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        }
    }
    return out;
}

std::string LintComplaints(const std::vector<fs::path>& files, bool html) {
    std::vector<std::string> args{"--noout", "--nonet"};
    if (html) args.push_back("--html");
    for (const auto& f : files) args.push_back(f.string());
    const Captured run = RunCaptured(XMLLINT_PATH, args);
    if (run.exitCode != 0 && run.err.empty()) return "xmllint failed without a message";
    return run.err;
}

}  // namespace catalogd::test
