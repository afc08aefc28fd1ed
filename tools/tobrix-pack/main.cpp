// tobrix-pack: builds the store's own package (a cabinet with _setup.xml in the
// device's package format) from the built program, Pindle and the data files.
// The build runs it; see cmake/TobrixPackage.cmake.
#include <iostream>

#include <CLI/CLI.hpp>

#include "StorePackage.h"

int main(int argc, char** argv) {
    CLI::App app{"tobrix-pack: build the store's own package"};
    pack::StorePackageInputs inputs;
    std::filesystem::path output;
    std::string icon;
    app.add_option("--program", inputs.program, "The program, installed as Tobrix.exe")->required();
    app.add_option("--setup-library", inputs.setupLibrary, "Pindle, the package's setup extension")->required();
    app.add_option("--localization", inputs.localization, "localization.xml")->required();
    app.add_option("--skin", inputs.skinFolder, "Folder whose *.png files are the skin");
    app.add_option("--icon", icon, "The Start-menu icon (default: the skin's icon.png, else a drawn one)");
    app.add_option("--output", output, "The cabinet to write")->required();
    app.add_option("--trusted-key", inputs.trustedKeys,
                   "A catalog's public key (catalogd keygen's FILE.pub) whose signed packages the device installs; "
                   "repeat for several")
        ->required()
        ->check(CLI::ExistingFile);
    CLI11_PARSE(app, argc, argv);
    if (!icon.empty()) inputs.icon = icon;

    pack::StorePackage package;
    std::string error;
    if (!package.Collect(inputs, error) || !package.Write(output, error)) {
        std::cerr << "tobrix-pack: " << error << std::endl;
        return 1;
    }
    return 0;
}
