// veltra-gallery: one page per widget family of the store's toolkit, built
// from the skin images. Headless, it turns every page and writes a PNG of
// each into the output folder; in a window the soft keys turn the pages.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "GalleryApp.h"
#include "base/OptionParser.h"
#include "base/Text.h"
#include "ui/ImagePool.h"
#include "ui/app/LoopMain.h"

namespace {

// Waits for each page to settle, photographs it, turns to the next one. The
// popup page is photographed with its box open; the first right key then
// closes the box and the second turns the page.
bool WriteScript(const std::filesystem::path& file, const std::filesystem::path& out,
                 const std::vector<std::string>& slugs, const std::vector<bool>& asks) {
    std::ofstream script(file, std::ios::trunc);
    for (size_t i = 0; i < slugs.size(); ++i) {
        script << "wait-idle 30\n";
        script << "screenshot " << (out / (std::to_string(i + 1) + "-" + slugs[i] + ".png")).string() << "\n";
        if (asks[i]) script << "key soft2\nwait-idle 30\n";
        if (i + 1 < slugs.size()) script << "key soft2\n";
    }
    script << "quit\n";
    return static_cast<bool>(script);
}

}  // namespace

int main(int argc, char** argv) {
    OptionParser cli("Veltra gallery: every widget family on a page of its own (soft keys turn the pages)");
    LoopOptions loop;
    AddLoopOptions(cli, loop);
    std::string out;
    std::string skin = TOBRIX_SKIN_DIR;
    cli.Add("--out", out, "Headless: write one PNG per page into this folder");
    cli.Add("--skin", skin, "Folder of the skin images").ExistingFolder();
    if (auto status = cli.Parse(argc, argv)) return *status;
    if (loop.headless && out.empty()) {
        std::fprintf(stderr, "veltra-gallery: --headless needs --out DIR\n");
        return kLoopStartFailed;
    }

    std::string error;
    if (!StartLoop(loop, &error)) {
        std::fprintf(stderr, "veltra-gallery: %s\n", error.c_str());
        return kLoopStartFailed;
    }
    ImagePool::Instance().SetBaseFolder(text::Utf8ToUtf16(skin + "/"));
    int code = 0;
    {
        GalleryApp app;
        std::filesystem::path script;
        if (loop.headless) {
            std::error_code ec;
            std::filesystem::create_directories(out, ec);
            std::vector<std::string> slugs;
            std::vector<bool> asks;
            for (const auto& page : gallery::AllPages(&app)) {
                slugs.push_back(page->Slug());
                asks.push_back(page->Slug() == "popup-box");
            }
            script = std::filesystem::path(out) / ".gallery-script";
            if (!WriteScript(script, out, slugs, asks)) {
                std::fprintf(stderr, "veltra-gallery: cannot write into %s\n", out.c_str());
                StopLoop();
                return kLoopStartFailed;
            }
            loop.script = script.string();
        }
        code = RunLoop(app, u"VeltraGallery", loop);
        if (!script.empty()) std::filesystem::remove(script);
    }
    StopLoop();
    return code;
}
