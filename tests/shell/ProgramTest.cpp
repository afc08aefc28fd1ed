// The tobrix program as a process: its start-up checks. (The hand-over from a
// second start is the store package's walk; waiting for the main menu is
// KestrumApp's own case.)
#include <gtest/gtest.h>

#include <filesystem>

#include "support/StoreRun.h"

namespace {

TEST(ProgramTest, AMissingProgramFileIsNamedOnOneLineAndEndsTheStart) {
    StoreDevice device;
    std::filesystem::remove(device.ProgramFile("dialog.png"));
    StoreRun run = RunStore(device, "quit\n", "");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.errors, "tobrix: missing program file \\Program Files\\Tobrix\\dialog.png\n");
}

}  // namespace
