#pragma once
#include <cstdint>
#include <string>

#include "setup/InstallFolder.h"

// What installing the store's package leaves on the device besides its files:
// the package's revision, which the store's update check compares with the
// catalog's; the Start-menu entry; and the "tobrix" URL protocol, through
// which a link starts the store on one application. The store reads all of it
// later; nothing here talks to the store itself.
namespace pindle {

// The revision of the store that this package carries.
constexpr uint32_t kPackageRevision = PINDLE_PACKAGE_REVISION;

class Registration {
public:
    explicit Registration(const InstallFolder& folder) : folder(folder) {}

    // Every step runs whatever happened to the others: a key that cannot be
    // created is skipped, and the store then only lacks that one thing.
    void Run() const;

    // HKLM\Software\Tobrix "TobrixRevision", overwritten whatever it held.
    bool RecordRevision() const;
    bool RegisterProtocol() const;
    // The protocol's open command: the store started with the link as its one
    // quoted argument ("\"<dir>\Tobrix.exe\" \"%1\"").
    std::u16string ProtocolCommand() const;

private:
    InstallFolder folder;
};

}  // namespace pindle
