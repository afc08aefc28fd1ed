#pragma once
#include <string>
#include <string_view>

namespace httplib {
struct Response;
}  // namespace httplib

namespace catalogd {

// Answers with the file `relative` below `root` (Range requests included,
// never compressed). False when the path is unsafe or names no regular file;
// the response is then untouched. A non-empty `downloadName` is offered to
// the client as the file's name.
bool SendFile(const std::string& root, std::string_view relative, httplib::Response& res,
              std::string_view downloadName);

// A relative path made only of ordinary names: no "..", ".", empty parts,
// backslashes or control characters.
bool IsSafeRelativePath(std::string_view path);

}  // namespace catalogd
