#pragma once
#include "setup/InstallFolder.h"

// What removing the store's package undoes beyond its files: the user decides
// whether the settings stay for a later installation, packages the store had
// downloaded but not installed go, as do the pictures it kept, and so does
// the Start-menu entry. The
// revision and the URL protocol stay registered.
namespace pindle {

class Removal {
public:
    explicit Removal(const InstallFolder& folder) : folder(folder) {}

    // Every step runs whatever happened to the others.
    void Run() const;

    // Asks whether to keep the settings; on No, settings.dat is deleted.
    // Returns the answer (IDYES, IDNO).
    int AskAboutSettings() const;
    // Deletes the cabs download folder with its contents, and the folder of
    // kept pictures.
    bool DeleteDownloads() const;

private:
    InstallFolder folder;
};

}  // namespace pindle
