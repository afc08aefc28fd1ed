#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace httplib {
struct Request;
struct Response;
}  // namespace httplib

namespace catalogd {

struct SendOptions {
    // Offered to the client as the file's name when not empty.
    std::string_view downloadName;
    // Bytes per second at most; 0 sends as fast as the connection takes them.
    // A slow line on purpose, so that a client can be caught mid-transfer.
    int64_t bytesPerSecond = 0;
    // A paced answer may last long: once this is set it ends at its next
    // piece, cutting the transfer short, instead of holding up a shutdown.
    const std::atomic<bool>* stop = nullptr;
    // How long a client may use its copy before asking again
    // ("Cache-Control"); empty sends none.
    std::string_view cacheControl;
};

// Answers `req` with the file `relative` below `root`, as its bytes are (the
// server may still compress a small text file as a whole). The answer
// carries validators (a strong ETag and Last-Modified) and honours a single
// Range: 206 with the rest of the file, 416 for a range that starts past its
// end, and the whole file (200) when an If-Range names another version of
// it or more than one range is asked for. No symbolic link below `root` is
// followed. A client whose copy is still this version (If-None-Match naming its
// tag, or without one If-Modified-Since not older than the file) gets 304
// and no body. False when the path is unsafe or names no regular file; the
// response is then untouched.
bool SendFile(const std::string& root, std::string_view relative, const httplib::Request& req,
              httplib::Response& res, const SendOptions& options = {});

// Whether the file is served as a picture (PNG, JPEG, GIF).
bool IsPicturePath(std::string_view path);

// A relative path made only of ordinary names: no "..", ".", empty parts,
// backslashes or control characters.
bool IsSafeRelativePath(std::string_view path);

}  // namespace catalogd
