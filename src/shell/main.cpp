// tobrix: the application store on an emulated handheld.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

// After a standard header: that is what defines __GLIBC__.
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "base/OptionParser.h"
#include "base/Text.h"
#include "core/Kestrum.h"
#include "net/ApiUrl.h"
#include "net/InetManager.h"
#include "net/PictureStore.h"
#include "platform/process/Process.h"
#include "shell/KestrumApp.h"
#include "shell/ProgramFolder.h"
#include "ui/ImagePool.h"
#include "ui/app/LoopMain.h"

namespace {

// Started by the device (its shortcut, a "tobrix" link, another program), the
// store gets no options: the device root comes with the environment, and a
// test or script that wants the run headless names its script in
// TOBRIX_HEADLESS_SCRIPT.
LoopOptions DeviceLoopOptions() {
    LoopOptions loop;
    if (const char* script = std::getenv("TOBRIX_HEADLESS_SCRIPT"); script && *script) {
        loop.headless = true;
        loop.script = script;
    }
    return loop;
}

}  // namespace

int main(int argc, char** argv) {
#if defined(__GLIBC__)
    // One heap for every thread, as the handheld gives a process. With the
    // C library's default of an arena per thread, the pages of pictures the
    // network workers decoded stay resident in their arenas after the UI
    // thread frees them, and nothing else can reuse them.
    mallopt(M_ARENA_MAX, 1);
#endif
    LoopOptions loop;
    std::string base;
    size_t pictureCache = PictureCache::kDefaultBudget;
    uint64_t pictureStore = net::PictureStore::kDefaultLimit;
    int64_t pictureFresh = net::PictureStore::kDefaultFreshFor.count();
    std::u16string commandLine;
    // The device's own command line, not the arguments split from it: the
    // application id is found by its place between the link's quotes, which
    // the split drops.
    if (std::optional<std::u16string> deviceLine = platform::DeviceCommandLine()) {
        loop = DeviceLoopOptions();
        commandLine = *deviceLine;
    } else {
        OptionParser cli("Tobrix, the application store");
        AddLoopOptions(cli, loop);
        std::string line;
        cli.Add("--base", base, "Base URL of the catalog service (default: the device's catalogUrl)");
        cli.Add("--picture-cache", pictureCache,
                "Bytes of memory kept for fetched icons and screenshots (default: " +
                    std::to_string(PictureCache::kDefaultBudget) + ")");
        cli.Add("--picture-store", pictureStore,
                "Bytes of the device's storage kept for fetched icons and screenshots across restarts, "
                "0 for none (default: " + std::to_string(net::PictureStore::kDefaultLimit) + ")");
        cli.Add("--picture-fresh", pictureFresh,
                "Seconds at most that a kept picture is shown before the catalog is asked whether it "
                "changed (default: " + std::to_string(net::PictureStore::kDefaultFreshFor.count()) + ")")
            .NonNegative();
        cli.Add("COMMANDLINE", line, "What the device hands the program, e.g. a \"tobrix\" link");
        if (auto status = cli.Parse(argc, argv)) return *status;
        commandLine = U16(line);
    }

    std::string error;
    if (!StartLoop(loop, &error)) {
        std::fprintf(stderr, "tobrix: %s\n", error.c_str());
        return kLoopStartFailed;
    }
    if (auto missing = programfolder::FirstMissingFile()) {
        std::fprintf(stderr, "tobrix: missing program file %s\n", U8(*missing).c_str());
        StopLoop();
        return kLoopStartFailed;
    }
    SetCatalogBaseUrl(U16(base));
    ImagePool::Instance().RemotePictures().SetBudget(pictureCache);
    net::PictureStore::Instance().Open(std::u16string(programfolder::kFolder) + u"pictures", pictureStore,
                                       std::chrono::seconds(pictureFresh));
    BaseApplication::SetModuleFileName(programfolder::kModule);
    int code = 0;
    {
        KestrumApp app(AppIdFromCommandLine(commandLine));
        code = RunLoop(app, KestrumApp::kWindowName, loop);
        // The request workers call into the application (its UI lock, its
        // busy indicator): they end before it does.
        InetManager::Instance().Stop(std::chrono::seconds(30));
    }
    StopLoop();
    return code;
}
