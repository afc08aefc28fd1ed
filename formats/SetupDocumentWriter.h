#pragma once
#include <string>
#include <vector>

// Writes a package's "_setup.xml": what the device's installer creates (the
// install folder with its files, Start-menu shortcuts, registry values) and
// the setup extension it runs. The reading side is the installer's
// (emulator/pkg/SetupDocument.h).
namespace formats {

struct SetupLayout {
    struct File {
        std::string target;  // file name in the install folder
        std::string source;  // name inside the cabinet
    };
    struct Shortcut {
        std::string name;    // e.g. "Notes.lnk", created in the Start menu's programs folder
        std::string target;  // a file name of the install folder
    };
    struct Value {
        std::string name;
        std::string value;
        bool integer = false;
    };
    struct Key {
        std::string path;  // e.g. "HKLM\Software\Vendor\Notes"
        std::vector<Value> values;
    };

    std::string installName;
    std::string installDir;  // e.g. "%CE1%\Notes"
    std::string setupDll;    // cabinet name of the setup extension; empty for none
    std::vector<File> files;
    std::vector<Shortcut> shortcuts;
    std::vector<Key> registry;
    // Further characteristics, as XML, placed after the ones above: the tests
    // write unusual and hostile documents this way.
    std::string extraXml;
};

// The document in UTF-8; texts are escaped as XML requires. False with
// `error` when `extraXml` is not well-formed.
bool WriteSetupDocument(const SetupLayout& layout, std::string& xml, std::string& error);

}  // namespace formats
