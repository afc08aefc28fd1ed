// _setup.xml on its own: a document the installer accepts names only safe
// device folders and files and keeps out of the installer's own records.
#include "FuzzSupport.h"
#include "base/Text.h"
#include "pkg/SetupDocument.h"

namespace {

// A device path with no "." or ".." part and no control character.
bool SafeDevicePath(std::u16string_view path) {
    if (path.empty() || path.front() != u'\\') return false;
    size_t pos = 1;
    while (pos <= path.size()) {
        size_t next = path.find(u'\\', pos);
        if (next == std::u16string_view::npos) next = path.size();
        std::u16string_view part = path.substr(pos, next - pos);
        if (part == u"." || part == u"..") return false;
        pos = next + 1;
    }
    for (char16_t c : path)
        if (text::IsControl(c)) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string error;
    auto doc = pkg::ParseSetupDocument(std::string_view(reinterpret_cast<const char*>(data), size), &error);
    if (!doc) {
        fuzz::Check(!error.empty(), "a refused document without a reason");
        return 0;
    }
    fuzz::Check(!doc->installName.empty(), "an accepted document without an install name");
    fuzz::Check(SafeDevicePath(doc->installDir), "an unsafe install directory");
    for (const auto& f : doc->folders) fuzz::Check(SafeDevicePath(f), "an unsafe folder");
    for (const auto& f : doc->files) fuzz::Check(SafeDevicePath(f.target), "an unsafe file target");
    for (const auto& s : doc->shortcuts) fuzz::Check(SafeDevicePath(s.path), "an unsafe shortcut");
    for (const auto& r : doc->registry) {
        std::u16string lower = text::AsciiLower(r.key) + u"\\";
        fuzz::Check(r.hive != platform::Hive::LocalMachine || !lower.starts_with(u"security\\appinstall\\"),
                    "a package writes the installer's own records");
    }
    return 0;
}
