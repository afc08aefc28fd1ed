// The tobrix program as a process: its start-up checks and the hand-over
// from a second start.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "../apps/CatalogServer.h"
#include "StoreRun.h"
#include "base/Text.h"
#include "platform/process/Process.h"

namespace {

TEST(ProgramTest, AMissingProgramFileIsNamedOnOneLineAndEndsTheStart) {
    StoreDevice device;
    std::filesystem::remove(device.ProgramFile("dialog.png"));
    StoreRun run = RunStore(device, "quit\n", "");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.errors, "tobrix: missing program file \\Program Files\\Tobrix\\dialog.png\n");
}

// Waits for a file the running store writes, without waiting for ever.
bool WaitForFile(const std::filesystem::path& file) {
    for (int i = 0; i < 3000; ++i) {
        if (std::filesystem::exists(file)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST(ProgramTest, ASecondStartHandsItsIdToTheRunningStoreWhichOpensItAfterSignIn) {
    CatalogServer catalog;
    ASSERT_TRUE(catalog.Running()) << catalog.Error();
    StoreDevice device;
    // The first store reads its script as it is written, through a pipe.
    const auto fifo = device.Scratch("script.fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Opened here first: the child's open of its end must not block while
    // the spawn waits for it.
    const int input = ::open(fifo.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(input, 0);
    platform::SpawnOptions options;
    options.stdinFile = fifo;
    options.stderrFile = device.Scratch("first.err");
    auto first = platform::SpawnHost(TOBRIX_PATH,
                                     {"--headless", "--device-root", device.Root().string(), "--base",
                                      U8(catalog.BaseUrl()), "--script", "-"},
                                     options);
    ASSERT_TRUE(first);
    auto say = [&](const std::string& lines) {
        ASSERT_EQ(::write(input, lines.data(), lines.size()), static_cast<ssize_t>(lines.size()));
    };
    say("wait-idle\nscreenshot " + device.Scratch("up.png").string() + "\n");
    ASSERT_TRUE(WaitForFile(device.Scratch("up.png")));

    StoreRun second = RunStore(device, "quit\n", "", {"\"tobrix://9/\""}, 30);  // Web Reader
    EXPECT_EQ(second.exitCode, 0) << second.errors;

    // Before the main menu exists the id waits; the menu opens it once the
    // catalog knows the device.
    say("wait-idle\ntap-text Login:\ntype demo\ntap-text Password:\ntype demo\nkey soft1\nwait-idle\n"
        "key soft2\nwait-idle\nkey soft2\nwait-idle\n"
        "dump-tree " + device.Scratch("after.json").string() + "\nquit\n");
    ::close(input);
    int code = -1;
    ASSERT_TRUE(first->Wait(&code));
    EXPECT_EQ(code, 0);
    const auto tree = ReadTree(device.Scratch("after.json"));
    // Sign-in, first-run settings, main menu, and the application on top.
    size_t scenes = 0;
    for (const auto& child : tree["children"])
        if (child["id"] == -30) scenes = child["children"].size();
    EXPECT_EQ(scenes, 4u);
    EXPECT_FALSE(Shows(tree, "Main menu"));
    // On top, the handed-over application's page: its description names it.
    EXPECT_TRUE(ShowsStart(tree, "Web Reader by Orbit."));
    EXPECT_FALSE(Shows(tree, "Error"));
}

}  // namespace
