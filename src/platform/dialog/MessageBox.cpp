#include "platform/dialog/MessageBox.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "base/Text.h"
#include "platform/device/DeviceRoot.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

struct AnswerName {
    int answer;
    std::string_view name;
};
constexpr AnswerName kAnswerNames[] = {
    {IDOK, "ok"},        {IDCANCEL, "cancel"}, {IDABORT, "abort"}, {IDRETRY, "retry"},
    {IDIGNORE, "ignore"}, {IDYES, "yes"},      {IDNO, "no"},
};

// A file of the device root held under an exclusive lock: the installer, the
// processor and devicectl may touch the script at the same moment.
class LockedFile {
public:
    LockedFile(const fs::path& path, int flags) : fd(::open(path.c_str(), flags | O_CLOEXEC, 0644)) {
        if (fd >= 0 && ::flock(fd, LOCK_EX) != 0) {
            ::close(fd);
            fd = -1;
        }
    }
    ~LockedFile() {
        if (fd >= 0) ::close(fd);  // closing releases the lock
    }
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    bool Open() const { return fd >= 0; }
    bool ReadAll(std::string& out) const {
        out.clear();
        char buf[4096];
        ssize_t n;
        while ((n = ::pread(fd, buf, sizeof buf, static_cast<off_t>(out.size()))) > 0) out.append(buf, n);
        return n == 0;
    }
    bool WriteAll(std::string_view bytes, off_t at) const {
        while (!bytes.empty()) {
            ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), at);
            if (n <= 0) return false;
            bytes.remove_prefix(n);
            at += n;
        }
        return true;
    }
    bool Replace(std::string_view bytes) const { return ::ftruncate(fd, 0) == 0 && WriteAll(bytes, 0); }
    bool Append(std::string_view bytes) const {
        off_t end = ::lseek(fd, 0, SEEK_END);
        return end >= 0 && WriteAll(bytes, end);
    }

private:
    int fd;
};

std::string Trim(std::string_view s) {
    auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    auto last = s.find_last_not_of(" \t\r\n");
    return std::string(s.substr(first, last - first + 1));
}

// The first non-blank line of the script, removed from it; nullopt when the
// script is missing or used up.
std::optional<std::string> TakeScriptedAnswer() {
    LockedFile file(MessageBoxAnswersFile(), O_RDWR);
    std::string content;
    if (!file.Open() || !file.ReadAll(content)) return std::nullopt;
    std::size_t pos = 0;
    while (pos < content.size()) {
        std::size_t end = content.find('\n', pos);
        if (end == std::string::npos) end = content.size();
        std::string line = Trim(std::string_view(content).substr(pos, end - pos));
        pos = end + 1;
        if (line.empty()) continue;
        // An answer that cannot be taken off the script would be given again
        // to every later box; better to ask nobody than to loop on it.
        if (!file.Replace(pos < content.size() ? std::string_view(content).substr(pos) : std::string_view()))
            return std::nullopt;
        return line;
    }
    return std::nullopt;
}

std::string ButtonList(const std::vector<int>& buttons) {
    std::string out;
    for (int b : buttons) out += (out.empty() ? "" : " / ") + MessageBoxAnswerName(b);
    return out;
}

bool IsButton(const std::vector<int>& buttons, int answer) {
    return std::find(buttons.begin(), buttons.end(), answer) != buttons.end();
}

std::optional<int> AskOnTerminal(std::u16string_view text, std::u16string_view caption, std::uint32_t style) {
    if (!::isatty(STDIN_FILENO) || !::isatty(STDERR_FILENO)) return std::nullopt;
    auto buttons = MessageBoxButtons(style);
    int fallback = DefaultMessageBoxButton(style);
    std::fprintf(stderr, "\n[%s] %s\n", U8(caption).c_str(), U8(text).c_str());
    for (;;) {
        std::fprintf(stderr, "  %s (Enter: %s)? ", ButtonList(buttons).c_str(), MessageBoxAnswerName(fallback).c_str());
        std::fflush(stderr);
        char line[256];
        if (!std::fgets(line, sizeof line, stdin)) return fallback;  // end of input: nobody is there after all
        std::string word = Trim(line);
        if (word.empty()) return fallback;
        auto answer = ParseMessageBoxAnswer(word);
        if (answer && IsButton(buttons, *answer)) return answer;
    }
}

std::string LogField(std::u16string_view s) {
    std::string out = U8(s);
    // Control characters would let a crafted text forge further log lines.
    for (char& c : out)
        if (text::IsControl(static_cast<unsigned char>(c))) c = ' ';
    return out;
}

void LogBox(std::u16string_view text, std::u16string_view caption, int answer, std::string_view source) {
    LockedFile log(MessageBoxLogFile(), O_WRONLY | O_CREAT);
    if (!log.Open()) return;  // the log is for people; the answer stands without it
    log.Append(LogField(caption) + "\t" + LogField(text) + "\t" + MessageBoxAnswerName(answer) + "\t" +
               std::string(source) + "\n");
}

}  // namespace

std::vector<int> MessageBoxButtons(std::uint32_t style) {
    switch (style & MB_TYPEMASK) {
        case MB_OKCANCEL: return {IDOK, IDCANCEL};
        case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
        case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
        case MB_YESNO: return {IDYES, IDNO};
        case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
        default: return {IDOK};
    }
}

int DefaultMessageBoxButton(std::uint32_t style) {
    auto buttons = MessageBoxButtons(style);
    std::size_t index = (style & MB_DEFMASK) >> 8;
    return index < buttons.size() ? buttons[index] : buttons.front();
}

std::optional<int> ParseMessageBoxAnswer(std::string_view word) {
    for (const auto& n : kAnswerNames)
        if (text::EqualsIgnoreCase(word, n.name)) return n.answer;
    int32_t number = 0;
    if (!word.empty() && std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
        text::ParseInt(word, number) && number > 0)
        return number;
    return std::nullopt;
}

std::string MessageBoxAnswerName(int answer) {
    for (const auto& n : kAnswerNames)
        if (n.answer == answer) return std::string(n.name);
    return std::to_string(answer);
}

fs::path MessageBoxAnswersFile() { return CurrentDevice().Root() / "msgbox-answers"; }
fs::path MessageBoxLogFile() { return CurrentDevice().Root() / "msgbox.log"; }

int AskMessageBox(std::u16string_view text, std::u16string_view caption, std::uint32_t style) {
    int fallback = DefaultMessageBoxButton(style);
    if (!HasCurrentDevice()) return fallback;
    if (auto scripted = TakeScriptedAnswer()) {
        auto answer = ParseMessageBoxAnswer(*scripted);
        if (answer && IsButton(MessageBoxButtons(style), *answer)) {
            LogBox(text, caption, *answer, "script");
            return *answer;
        }
        // A script that does not fit the box is a mistake in the script; the
        // box still needs an answer, and the log and the message say why.
        std::fprintf(stderr, "message box \"%s\": the scripted answer \"%s\" is not one of its buttons (%s)\n",
                     U8(caption).c_str(), scripted->c_str(), ButtonList(MessageBoxButtons(style)).c_str());
        LogBox(text, caption, fallback, "default (scripted \"" + LogField(U16(*scripted)) + "\" does not fit)");
        return fallback;
    }
    if (auto typed = AskOnTerminal(text, caption, style)) {
        LogBox(text, caption, *typed, "terminal");
        return *typed;
    }
    LogBox(text, caption, fallback, "default");
    return fallback;
}

bool ScriptMessageBoxAnswers(const std::vector<std::string>& words, std::string* error) {
    std::string lines;
    for (const auto& w : words) {
        std::string word = Trim(w);
        if (!ParseMessageBoxAnswer(word)) {
            if (error) *error = "not a message-box answer: \"" + w + "\" (yes, no, ok, cancel, abort, retry, ignore)";
            return false;
        }
        lines += word + "\n";
    }
    if (!HasCurrentDevice()) {
        if (error) *error = "no device selected";
        return false;
    }
    LockedFile file(MessageBoxAnswersFile(), O_RDWR | O_CREAT);
    if (!file.Open() || !file.Append(lines)) {
        if (error) *error = "cannot write " + MessageBoxAnswersFile().string();
        return false;
    }
    return true;
}

std::vector<int> PendingMessageBoxAnswers() {
    std::vector<int> out;
    if (!HasCurrentDevice()) return out;
    LockedFile file(MessageBoxAnswersFile(), O_RDONLY);
    std::string content;
    if (!file.Open() || !file.ReadAll(content)) return out;
    std::size_t pos = 0;
    while (pos < content.size()) {
        std::size_t end = std::min(content.find('\n', pos), content.size());
        std::string line = Trim(std::string_view(content).substr(pos, end - pos));
        pos = end + 1;
        if (auto answer = ParseMessageBoxAnswer(line)) out.push_back(*answer);
    }
    return out;
}

}  // namespace platform
