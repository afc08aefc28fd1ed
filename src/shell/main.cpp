// tobrix: the application store on an emulated handheld.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "base/Text.h"
#include "core/Kestrum.h"
#include "net/ApiUrl.h"
#include "shell/KestrumApp.h"
#include "shell/ProgramFolder.h"
#include "ui/app/LoopMain.h"

int main(int argc, char** argv) {
    CLI::App cli{"Tobrix, the application store"};
    LoopOptions loop;
    AddLoopOptions(cli, loop);
    std::string base, commandLine;
    cli.add_option("--base", base, "Base URL of the catalog service (default: the device's catalogUrl)");
    cli.add_option("COMMANDLINE", commandLine, "What the device hands the program, e.g. a \"tobrix\" link");
    CLI11_PARSE(cli, argc, argv);

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
    BaseApplication::SetModuleFileName(programfolder::kModule);
    int code = 0;
    {
        KestrumApp app(AppIdFromCommandLine(U16(commandLine)));
        code = RunLoop(app, KestrumApp::kWindowName, loop);
    }
    StopLoop();
    return code;
}
