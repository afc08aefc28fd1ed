// Renders the demo tree into a 480 x 640 surface and writes it as a PNG, so
// that the drawing core can be looked at.
#include <cstdio>
#include <filesystem>
#include <string>

#include "DemoTree.h"
#include "base/OptionParser.h"
#include "base/Text.h"
#include "ui/WMSurface.h"

int main(int argc, char** argv) {
    OptionParser cli("veltra-shot: draw the Veltra demo tree (480 x 640) into a PNG file");
    std::string out = "veltra-shot.png";
    std::string assets = (std::filesystem::temp_directory_path() / "veltra-shot-assets").string();
    // Positional, as before; an option-like name is refused rather than
    // becoming a file, so "--help" never lands in the working folder.
    cli.Add("OUT", out, "PNG file to write").ShowDefault();
    cli.Add("ASSETS", assets, "Folder for the images the tree loads").ShowDefault();
    if (auto status = cli.Parse(argc, argv)) return *status;

    const int width = 480, height = 640;
    std::string error;
    shared_ptr<GObject> root = demo::Build(assets, width, height, &error);
    if (!root) {
        std::fprintf(stderr, "veltra-shot: %s\n", error.c_str());
        return 1;
    }
    WMSurface surface(width, height);
    surface.FillRect(Rect(0, 0, width, height), 0xFFFF);
    root->DrawTree(surface);
    if (!surface.SavePng(U16(out), &error)) {
        std::fprintf(stderr, "veltra-shot: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", out.c_str());
    return 0;
}
