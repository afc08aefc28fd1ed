// tobrix-pack: builds the store's own package (a cabinet with _setup.xml in the
// device's package format) from the built program, Pindle and the data files.
// The build runs it; see cmake/TobrixPackage.cmake.
#include <iostream>

#include "StorePackage.h"
#include "base/OptionParser.h"

int main(int argc, char** argv) {
    OptionParser app("tobrix-pack: build the store's own package");
    pack::StorePackageInputs inputs;
    std::filesystem::path output;
    std::string icon;
    app.Add("--program", inputs.program, "The program, installed as Tobrix.exe").Required();
    app.Add("--setup-library", inputs.setupLibrary, "Pindle, the package's setup extension").Required();
    app.Add("--localization", inputs.localization, "localization.xml").Required();
    app.Add("--skin", inputs.skinFolder, "Folder whose *.png files are the skin");
    app.Add("--icon", icon, "The Start-menu icon (default: the skin's icon.png, else a drawn one)");
    app.Add("--output", output, "The cabinet to write").Required();
    app.Add("--trusted-key", inputs.trustedKeys,
            "A catalog's public key (catalogd keygen's FILE.pub) whose signed packages the device installs; "
            "repeat for several")
        .Required()
        .ExistingFile();
    if (auto status = app.Parse(argc, argv)) return *status;
    if (!icon.empty()) inputs.icon = icon;

    pack::StorePackage package;
    std::string error;
    if (!package.Collect(inputs, error) || !package.Write(output, error)) {
        std::cerr << "tobrix-pack: " << error << std::endl;
        return 1;
    }
    return 0;
}
