#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "TestServer.h"
#include "support/ProgramRun.h"

namespace {

using nlohmann::json;

// Runs the real tool and returns its standard output; `status` gets the exit code.
std::string Tool(const std::vector<std::string>& args, int* status = nullptr) {
    Captured run = RunCaptured(TOBRIXCTL_PATH, args);
    if (status) *status = run.exitCode;
    return run.out;
}

std::string Temp(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("tobrixctl-net-" + std::to_string(::getpid()) + name)).string();
}

TEST(TobrixctlNet, UrlBuildsEveryFormFromTheCommandLine) {
    EXPECT_EQ(Tool({"url", "getapps", "--base", "http://127.0.0.1:81/s", "--prefix", "v1/", "--sessionid", "S",
                    "--count", "-1", "--page", "-2", "--query", "a b"}),
              "http://127.0.0.1:81/s/v1/getapps.php?sessionid=S&query=YSBi&page=-2\n");
    EXPECT_EQ(Tool({"url", "appdetails", "--base", "http://h/", "--static", "--sysid", "Acme Chess", "--details", "0"}),
              "http://h/appdetails.xml?sessionid=&sysid=Acme%20Chess&details=0\n");
    int status = 0;
    Tool({"url", "nosuch", "--base", "http://h/"}, &status);
    EXPECT_EQ(status, 1);
    Tool({"url", "reviews", "--base", "http://h/", "--appid", "x"}, &status);
    EXPECT_EQ(status, 1);
}

TEST(TobrixctlNet, ParsePrintsWhatTheReaderFilled) {
    const std::string file = Temp("answer.xml");
    std::ofstream(file) << "<kestrum-api><result code=\"0\"/><getapps><a id=\"3\" name=\"N\" rate=\"3.5\"/></getapps>"
                           "</kestrum-api>trailing";
    json apps = json::parse(Tool({"parse", "getapps", file}));
    EXPECT_EQ(apps["code"], 0);
    EXPECT_EQ(apps["apps"][0]["id"], 3);
    EXPECT_EQ(json::parse(Tool({"parse", "auth", file}))["code"], 999);
    std::filesystem::remove(file);
}

TEST(TobrixctlNet, GetAndSizeGoThroughTheQueue) {
    TestServer server;
    json memory = json::parse(Tool({"get", server.Url("/bytes/5000")}));
    EXPECT_EQ(memory, json({{"ok", true}, {"size", 5000}, {"progressEvents", 3}}));
    const std::string file = Temp("download.bin");
    json toFile = json::parse(Tool({"get", server.Url("/chunked/3000"), "-o", file}));
    EXPECT_EQ(toFile["ok"], true);
    EXPECT_EQ(toFile["progressEvents"], 0);
    EXPECT_EQ(std::filesystem::file_size(file), 3000u);
    std::filesystem::remove(file);
    EXPECT_EQ(Tool({"size", server.Url("/bytes/5000")}), "4\n");
}

}  // namespace
