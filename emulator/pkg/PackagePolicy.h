#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "pkg/Manifest.h"
#include "pkg/SetupDocument.h"
#include "platform/registry/Registry.h"

// Where a package may put things on the device. A setup extension is code
// that runs on the host, and the device root is the only sandbox there is, so
// the store's own package is the only one trusted with either the one or the
// store's own places. Both the device's installer and the catalog's publish
// ask these questions, so what the catalog accepts is what devices install.
namespace pkg {

// The store's own package, known by its install name (a registry key name,
// so case does not tell two apart).
inline constexpr std::u16string_view kStoreInstallName = u"Quelt Tobrix";
bool IsStorePackage(std::u16string_view installName);

// The reason the document may not be installed by anyone but the store: it
// names a setup extension, or writes into the store's folder, its protocol
// keys, its settings or its Start-menu entry. nullopt when it may.
std::optional<std::string> StorePlacesProblem(const SetupDocument& doc);

// The reason the document may not be installed next to `other`, another
// installed package: it would write one of other's files or anything into the
// folder other created as its install directory, or overwrite a registry
// value other wrote (one it overwrote, or any below a key it created).
std::optional<std::string> OwnershipProblem(const SetupDocument& doc, const Manifest& other,
                                            const platform::Registry& registry);

}  // namespace pkg
