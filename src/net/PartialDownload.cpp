#include "net/PartialDownload.h"

#include <sodium.h>

#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/files/Files.h"

namespace fs = std::filesystem;

namespace net {
namespace {

constexpr const char* kPartial = ".partial";
constexpr const char* kIdentity = ".partial.info";

// A partial answer whose range is whole and agrees with itself and with the
// length of its body.
bool PlacedPart(const platform::HttpHead& head) {
    if (head.rangeFirst < 0 || head.rangeLast < head.rangeFirst || head.rangeTotal <= head.rangeLast) return false;
    return head.contentLength < 0 || head.contentLength == head.rangeLast - head.rangeFirst + 1;
}

// The path without `suffix`, when its file name ends with it and is more
// than it.
std::optional<fs::path> WithoutSuffix(const fs::path& file, const std::string& suffix) {
    const std::string leaf = file.filename().string();
    if (leaf.size() <= suffix.size() || leaf.compare(leaf.size() - suffix.size(), suffix.size(), suffix) != 0)
        return std::nullopt;
    const std::string name = file.string();
    return fs::path(name.substr(0, name.size() - suffix.size()));
}

// A header value with line breaks would break the file into other lines.
bool OneLine(const std::string& text) { return text.find_first_of("\r\n") == std::string::npos; }

}  // namespace

fs::path PartialFileOf(const fs::path& target) { return fs::path(target.string() + kPartial); }

fs::path IdentityFileOf(const fs::path& target) { return fs::path(target.string() + kIdentity); }

std::optional<fs::path> TargetOfIdentityFile(const fs::path& file) { return WithoutSuffix(file, kIdentity); }

std::optional<fs::path> TargetOfPartialFile(const fs::path& file) { return WithoutSuffix(file, kPartial); }

bool IsPartialDownloadName(const fs::path& name) {
    return TargetOfPartialFile(name) || TargetOfIdentityFile(name);
}

std::optional<PartialIdentity> ReadIdentity(const fs::path& identityFile) {
    std::ifstream in(identityFile, std::ios::binary);
    if (!in) return std::nullopt;
    PartialIdentity id;
    bool hasLength = false;
    for (std::string line; std::getline(in, line);) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "length") {
            std::istringstream number(value);
            hasLength = static_cast<bool>(number >> id.length) && number.eof() && id.length >= -1;
        } else if (key == "validator") {
            id.validator = value;
        } else if (key == "owner") {
            id.owner = value;
        }
    }
    if (!hasLength) return std::nullopt;
    return id;
}

bool WriteIdentity(const fs::path& identityFile, const PartialIdentity& id) {
    if (!OneLine(id.validator) || !OneLine(id.owner)) return false;
    const std::string text = "length=" + std::to_string(id.length) + "\nvalidator=" + id.validator +
                             "\nowner=" + id.owner + "\n";
    return platform::ReplaceHostFile(identityFile, text);
}

int64_t PartialSize(const fs::path& target) {
    std::error_code ec;
    const auto size = fs::file_size(PartialFileOf(target), ec);
    return ec ? 0 : static_cast<int64_t>(size);
}

void RemovePartial(const fs::path& target) {
    std::error_code ec;
    fs::remove(PartialFileOf(target), ec);
    fs::remove(IdentityFileOf(target), ec);
}

std::vector<HeldDownload> HeldDownloadsIn(const fs::path& folder) {
    std::vector<HeldDownload> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const fs::path& path = entry.path();
        if (auto target = TargetOfIdentityFile(path)) {
            found.push_back({*target, ReadIdentity(path)});
        } else if (auto bytesOf = TargetOfPartialFile(path)) {
            // Bytes with an identity are found through the identity.
            if (!fs::exists(IdentityFileOf(*bytesOf), ec)) found.push_back({*bytesOf, std::nullopt});
        }
    }
    return found;
}

void RemovePartialsOf(const fs::path& folder, const std::string& owner, const fs::path& except) {
    for (const HeldDownload& held : HeldDownloadsIn(folder))
        if (held.identity && held.identity->owner == owner && held.target != except) RemovePartial(held.target);
}

std::string ValidatorOf(const platform::HttpHead& head) {
    if (!head.etag.empty() && head.etag.rfind("W/", 0) != 0) return head.etag;
    return head.lastModified;
}

ResumePlan PlanResume(const std::optional<PartialIdentity>& identity, int64_t have) {
    ResumePlan plan;
    if (!identity || identity->validator.empty() || have <= 0) return plan;
    if (identity->length >= 0 && have > identity->length) return plan;
    plan.length = identity->length;
    plan.complete = have == identity->length;
    plan.from = have;
    plan.ifRange = identity->validator;
    return plan;
}

AnswerUse JudgeAnswer(const ResumePlan& plan, const platform::HttpHead& head) {
    if (head.status == 200) return AnswerUse::Restart;
    if (head.status == 416) return AnswerUse::StartOver;
    if (head.status != 206) return AnswerUse::Refuse;
    // A part of the file says where it lies and how long the whole file is;
    // one that does not, or whose figures disagree, cannot be placed and
    // says nothing of when the file is whole: nothing of it is used, and the
    // bytes held stay.
    if (!PlacedPart(head)) return AnswerUse::Refuse;
    // A part from the start replaces the bytes held, but is still only a
    // part: the file's length is the range's total, not the part's length.
    if (head.rangeFirst == 0) return AnswerUse::Restart;
    // Otherwise it must start where the bytes held end, and belong to a file
    // of the length they came from.
    if (plan.from == 0 || head.rangeFirst != plan.from) return AnswerUse::StartOver;
    if (plan.length >= 0 && head.rangeTotal != plan.length) return AnswerUse::StartOver;
    return AnswerUse::Append;
}

int64_t FileLengthOf(const platform::HttpHead& head) {
    return head.status == 206 ? head.rangeTotal : head.contentLength;
}

std::optional<std::string> FileSha256(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    if (sodium_init() < 0) return std::nullopt;
    crypto_hash_sha256_state state;
    crypto_hash_sha256_init(&state);
    char buffer[1 << 16];
    while (in) {
        in.read(buffer, sizeof buffer);
        if (in.gcount() > 0)
            crypto_hash_sha256_update(&state, reinterpret_cast<const unsigned char*>(buffer),
                                      static_cast<unsigned long long>(in.gcount()));
    }
    if (in.bad()) return std::nullopt;
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256_final(&state, digest);
    char hex[2 * crypto_hash_sha256_BYTES + 1];
    sodium_bin2hex(hex, sizeof hex, digest, sizeof digest);
    return std::string(hex);
}

}  // namespace net
