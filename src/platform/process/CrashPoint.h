#pragma once
#include <string_view>

// Points where a process may be killed on purpose, so that the state a
// sudden death leaves (power gone, the task killed) can be reproduced
// exactly: when the environment variable TOBRIX_CRASH_AT names the point, the
// process sends itself SIGKILL there: no handler, no destructor, no flush
// runs, as with the real thing. Without the variable a point costs a look
// at the environment. The names in use:
//   replace:<file name>  a safe replacement, its new content complete and
//                        flushed, just before the rename (platform/files)
//   download             a package download, the first piece on the disk
//   installer-started    the installer has just been started on a package
//   installer-ended      the installer has returned, nothing recorded yet
//   installer-applied    (the device's installer) every file and registry
//                        entry in place, the package's key not yet made
//   installer-committed  (the device's installer) the key made, the
//                        installation's record not yet marked complete
namespace platform {

void CrashPoint(std::string_view point);

}  // namespace platform
