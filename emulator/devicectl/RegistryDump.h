#pragma once
#include <ostream>

#include "platform/registry/Registry.h"

namespace devicectl {

// Writes the key, its values and every key below it, one key per block:
//   HKLM\Drivers\Active\14
//     Key = string "Drivers\BuiltIn\GPSID"
//     TobrixRevision = dword 17 (0x00000011)
void DumpKey(std::ostream& out, const platform::RegistryKey& key);

}  // namespace devicectl
