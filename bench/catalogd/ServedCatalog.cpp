#include "ServedCatalog.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <stdexcept>
#include <thread>

#include "Base64.h"

extern char** environ;

namespace catalogd::bench {

int RunProgram(std::vector<std::string> args, const std::filesystem::path& log, pid_t* child) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot start " + args[0]);
    if (child) {
        *child = pid;
        return 0;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Encoded(const std::string& text) {
    std::string out;
    for (char c : Base64Encode(text)) out += c == '+' ? "%2B" : c == '/' ? "%2F" : std::string(1, c);
    return out;
}

ServedCatalog::ServedCatalog(const std::string& store, const std::filesystem::path& log,
                             std::vector<std::string> options) {
    std::vector<std::string> args = {CATALOGD_PATH, "serve", "--db", store, "--listen", "127.0.0.1:0", "--quiet"};
    args.insert(args.end(), options.begin(), options.end());
    RunProgram(args, log, &pid);
    const std::regex url("http://127\\.0\\.0\\.1:([0-9]+)/");
    for (int i = 0; i < 600 && port == 0; ++i) {
        std::ifstream in(log);
        std::string text((std::istreambuf_iterator<char>(in)), {});
        std::smatch m;
        if (std::regex_search(text, m, url)) port = std::stoi(m[1]);
        else std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::string body;
    if (port)
        if (auto res = Client().Get("/auth.xml?login=demo&pass=" + Encoded("demo") + "&ver=1.0b")) body = res->body;
    const size_t at = body.find("id=\"");
    if (at == std::string::npos || body.size() < at + 4 + 32) {
        Stop();
        throw std::runtime_error("catalogd did not start or let the demo account in (see " + log.string() + ")");
    }
    session = body.substr(at + 4, 32);
}

ServedCatalog::~ServedCatalog() { Stop(); }

void ServedCatalog::Stop() {
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
}

httplib::Client ServedCatalog::Client() const {
    httplib::Client c("127.0.0.1", port);
    c.set_read_timeout(30, 0);
    c.set_keep_alive(true);
    return c;
}

}  // namespace catalogd::bench
