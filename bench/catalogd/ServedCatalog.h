#pragma once
#include <httplib.h>
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace catalogd::bench {

// Runs a program with standard output and error appended to `log`: to its
// end, returning its exit status, or (with `child`) in the background.
int RunProgram(std::vector<std::string> args, const std::filesystem::path& log, pid_t* child = nullptr);

// The client's encoding of a value: Base64 with "+" and "/" escaped.
std::string Encoded(const std::string& text);

// "catalogd serve" on a store, on a port the system chose, from construction
// to destruction, with the demo account signed in.
class ServedCatalog {
public:
    ServedCatalog(const std::string& store, const std::filesystem::path& log, std::vector<std::string> options = {});
    ~ServedCatalog();
    ServedCatalog(const ServedCatalog&) = delete;
    ServedCatalog& operator=(const ServedCatalog&) = delete;

    httplib::Client Client() const;
    pid_t Pid() const { return pid; }

    int port = 0;
    std::string session;

private:
    void Stop();

    pid_t pid = -1;
};

}  // namespace catalogd::bench
