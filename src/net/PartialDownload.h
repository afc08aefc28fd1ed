#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/http/HttpClient.h"

// A download that broke keeps what arrived: "<target>.partial" holds the
// bytes, "<target>.partial.info" what identifies the file on the server they
// came from (its length and its validator) and who wanted it. With both a
// later try, in this run or the next, asks only for the missing bytes, and
// only of the same file.
namespace net {

struct PartialIdentity {
    int64_t length = -1;    // the whole file's length; -1 when the server did not say
    std::string validator;  // a strong ETag, else Last-Modified
    std::string owner;      // whoever wanted the file (the store: the package's install name)
};

std::filesystem::path PartialFileOf(const std::filesystem::path& target);
std::filesystem::path IdentityFileOf(const std::filesystem::path& target);
// The target an identity file belongs to, or nullopt for any other name.
std::optional<std::filesystem::path> TargetOfIdentityFile(const std::filesystem::path& file);
// The target a file of bytes held belongs to, or nullopt for any other name.
std::optional<std::filesystem::path> TargetOfPartialFile(const std::filesystem::path& file);
// Whether a file name is one of the two a partial download keeps.
bool IsPartialDownloadName(const std::filesystem::path& name);

// A partial download found in a folder: the target its bytes are for, and
// what identifies them (nullopt for bytes whose identity is missing or
// damaged: nobody can be known to want them).
struct HeldDownload {
    std::filesystem::path target;
    std::optional<PartialIdentity> identity;
};
// The partial downloads of a host folder, each once.
std::vector<HeldDownload> HeldDownloadsIn(const std::filesystem::path& folder);
// Forgets every partial download in `folder` that `owner` wanted, but for the
// one of `except` (empty: all of them).
void RemovePartialsOf(const std::filesystem::path& folder, const std::string& owner,
                      const std::filesystem::path& except = {});

// nullopt when the file is missing or is not an identity.
std::optional<PartialIdentity> ReadIdentity(const std::filesystem::path& identityFile);
bool WriteIdentity(const std::filesystem::path& identityFile, const PartialIdentity& identity);
// Bytes held for `target`; 0 when nothing is.
int64_t PartialSize(const std::filesystem::path& target);
// Forgets a partial download of `target`: its bytes and its identity.
void RemovePartial(const std::filesystem::path& target);

// What of an answer can tell a later request that the file is still the same:
// a strong ETag (a weak one may not be used for ranges), else Last-Modified;
// empty when the answer has neither.
std::string ValidatorOf(const platform::HttpHead& head);

// What a try asks for.
struct ResumePlan {
    int64_t from = 0;      // 0: the whole file
    std::string ifRange;   // the validator the bytes held came with
    int64_t length = -1;   // the whole file's length as known so far
    bool complete = false; // everything is held already: nothing to ask
};

// The bytes held of a file and what identifies it decide the next request: a
// partial without a validator (or longer than its file) cannot be proved to
// belong to the file any more and is fetched again from the start.
ResumePlan PlanResume(const std::optional<PartialIdentity>& identity, int64_t have);

enum class AnswerUse {
    Append,     // the answer continues the bytes held
    Restart,    // the answer is the whole file: the bytes held are replaced
    StartOver,  // the bytes held cannot be continued (the range is refused): drop them, ask again
    Refuse,     // an error answer, or a part that cannot be placed: nothing of it is the file
};

// The length of the whole file an answer to be used (Append or Restart)
// belongs to: a part's range total, else the announced length; -1 unknown.
int64_t FileLengthOf(const platform::HttpHead& head);

AnswerUse JudgeAnswer(const ResumePlan& plan, const platform::HttpHead& head);

// The SHA-256 of a file as 64 lowercase hexadecimal digits; nullopt when it
// cannot be read.
std::optional<std::string> FileSha256(const std::filesystem::path& file);

}  // namespace net
