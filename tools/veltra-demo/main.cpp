// veltra-demo: a few tappable, animated, fading tiles and a text box on the
// Veltra loop, to try the window and headless backends by hand or by script.
#include <cstdio>

#include "DemoApp.h"
#include "base/OptionParser.h"
#include "ui/app/LoopMain.h"

int main(int argc, char** argv) {
    OptionParser cli("Veltra demo: tap the tiles, type into the box, F1 clears, F2 spins");
    LoopOptions loop;
    AddLoopOptions(cli, loop);
    DemoApp::Options options;
    cli.Add("--window-width", options.windowWidth, "Run in a window of this width instead of full screen")
        .Range(1, 4096);
    cli.Add("--hand-over", options.handOver, "A number to hand to an instance that already runs").NonNegative();
    if (auto status = cli.Parse(argc, argv)) return *status;

    std::string error;
    if (!StartLoop(loop, &error)) {
        std::fprintf(stderr, "veltra-demo: %s\n", error.c_str());
        return kLoopStartFailed;
    }
    int code = 0;
    {
        DemoApp app(options);
        code = RunLoop(app, u"VeltraDemo", loop);
    }
    StopLoop();
    return code;
}
