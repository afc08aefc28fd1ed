#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "formats/PackageStatement.h"

class App;

// Only the catalog's signature makes a package trusted. The device keeps the
// public keys it trusts in its registry (the store's own package writes
// them; devicectl trust adds one), and a package reaches the installer only
// when a statement signed by one of them names the record being installed
// (id, install name, revision, version) and the very bytes downloaded (size
// and SHA-256). Whatever is missing, unknown or different is refused.
namespace apps {

// HKLM\Software\Tobrix\TrustedKeys: one string value per key, named by the
// key's id, holding the public key in hexadecimal.
inline constexpr const char16_t* kTrustedKeysKey = u"\\Software\\Tobrix\\TrustedKeys";

// Key id -> public key (32 bytes). A value whose name is not its key's id,
// or whose data is not a public key, is left out.
using TrustedKeys = std::map<std::string, std::string>;
TrustedKeys ReadTrustedKeys();

// The statement as the record announces it (the catalog's answer).
formats::PackageStatement AnnouncedStatement(const App& app);

// The record's statement is signed by a trusted key: its revision may be
// offered as an update and its package downloaded.
bool HasTrustedStatement(const App& app, const TrustedKeys& keys);

// The check a downloaded file must pass before the installer sees it: the
// record's statement, with the file's own size and SHA-256, signed by a
// trusted key. Holds copies of everything, so it may run on any thread.
std::function<bool(int64_t size, const std::string& sha256)> DownloadCheck(const App& app, TrustedKeys keys);

}  // namespace apps
