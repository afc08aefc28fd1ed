#include "platform/shell/Shell.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "base/Text.h"
#include "platform/device/DeviceRoot.h"
#include "platform/files/Files.h"
#include "platform/process/Process.h"
#include "platform/registry/Registry.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

struct FolderEntry {
    int id;
    std::u16string_view path;
};
constexpr FolderEntry kFolders[] = {
    {kFolderPrograms, u"\\Windows\\Start Menu\\Programs"},
    {kFolderDocuments, u"\\My Documents"},
    {kFolderFavorites, u"\\Windows\\Favorites"},
    {kFolderStartUp, u"\\Windows\\StartUp"},
    {kFolderRecent, u"\\Windows\\Recent"},
    {kFolderStartMenu, u"\\Windows\\Start Menu"},
    {kFolderDesktop, u"\\Windows\\Desktop"},
    {kFolderFonts, u"\\Windows\\Fonts"},
    {kFolderAppData, u"\\Application Data"},
    {kFolderWindows, u"\\Windows"},
    {kFolderProgramFiles, u"\\Program Files"},
};

std::optional<std::string> ReadHostFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A private temporary file for the processor's input and output.
std::optional<fs::path> TempFile(const char* tag) {
    std::string pattern = (fs::temp_directory_path() / (std::string("tobrix-") + tag + "-XXXXXX")).string();
    int fd = ::mkstemp(pattern.data());
    if (fd < 0) return std::nullopt;
    ::close(fd);
    return fs::path(pattern);
}

bool OpenUrl(std::u16string_view url) {
    const std::string& command = HasCurrentDevice() ? CurrentDevice().Info().browserCommand : std::string();
    auto words = SplitCommandLine(text::Utf8ToUtf16(command));
    if (words.empty()) {
        AppendLaunchLog(u"browser", url);
        return false;
    }
    std::vector<std::string> args;
    for (std::size_t i = 1; i < words.size(); ++i) args.push_back(text::Utf16ToUtf8(words[i]));
    // The URL is one argument of its own: no shell ever sees it.
    args.push_back(text::Utf16ToUtf8(url));
    SpawnOptions options;
    options.searchPath = true;
    auto process = SpawnHost(text::Utf16ToUtf8(words[0]), args, options);
    if (!process) return false;
    process->Detach();
    return true;
}

std::u16string UrlScheme(std::u16string_view url) { return std::u16string(url.substr(0, url.find(u':'))); }

// Percent-encodes what may not appear in a URL and would break its quoting (a
// backslash would make the closing quote literal).
std::u16string QuotableUrl(std::u16string_view url) {
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    std::u16string out;
    for (char16_t c : url) {
        if (c == u'"' || c == u'\\' || text::IsControl(c)) {
            out += u'%';
            out += kHex[(c >> 4) & 0xF];
            out += kHex[c & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

// Splits "<program> <command line>"; the program may be quoted.
std::optional<ProtocolCommand> SplitCommand(std::u16string_view command) {
    auto start = command.find_first_not_of(u" \t");
    if (start == std::u16string_view::npos) return std::nullopt;
    command.remove_prefix(start);
    std::size_t end;
    ProtocolCommand out;
    if (command.front() == u'"') {
        end = command.find(u'"', 1);
        if (end == std::u16string_view::npos) return std::nullopt;
        out.program = std::u16string(command.substr(1, end - 1));
        ++end;
    } else {
        end = std::min(command.find_first_of(u" \t"), command.size());
        out.program = std::u16string(command.substr(0, end));
    }
    auto rest = command.substr(end);
    auto args = rest.find_first_not_of(u" \t");
    if (args != std::u16string_view::npos) out.commandLine = std::u16string(rest.substr(args));
    if (out.program.empty()) return std::nullopt;
    return out;
}

// The program and command line a shortcut file points at, or nullopt when
// `file` is no readable shortcut (it is then opened as a file of its own).
std::optional<ProtocolCommand> ShortcutCommand(std::u16string_view file) {
    constexpr std::u16string_view kExtension = u".lnk";
    if (file.size() <= kExtension.size() ||
        !text::EqualsIgnoreCase(file.substr(file.size() - kExtension.size()), kExtension))
        return std::nullopt;
    auto target = ReadShortcutTarget(file);
    if (!target) return std::nullopt;
    return SplitCommand(*target);
}

}  // namespace

std::optional<ProtocolCommand> UrlProtocolCommand(std::u16string_view url) {
    if (!IsUrl(url)) return std::nullopt;
    std::u16string scheme = UrlScheme(url);
    if (!IsSingleKeyName(scheme)) return std::nullopt;
    auto key = OpenRegistryKey(Hive::ClassesRoot, scheme + u"\\Shell\\Open\\Command");
    std::u16string command;
    if (!key || !key->ReadString(u"", command)) return std::nullopt;
    auto parsed = SplitCommand(command);
    if (!parsed) return std::nullopt;
    parsed->commandLine = text::ReplaceAll(parsed->commandLine, u"%1", QuotableUrl(url));
    return parsed;
}

std::optional<std::u16string> GetSpecialFolderPath(int folderId) {
    for (const auto& f : kFolders)
        if (f.id == folderId) return std::u16string(f.path);
    return std::nullopt;
}

std::u16string ShortcutText(std::u16string_view target) {
    return text::ToU16(static_cast<int64_t>(target.size())) + u"#" + std::u16string(target);
}

bool CreateShortcut(std::u16string_view shortcutPath, std::u16string_view target) {
    if (Exists(shortcutPath)) return false;
    if (WriteFile(shortcutPath, text::Utf16ToUtf8(ShortcutText(target)))) return true;
    DeleteFile(shortcutPath);  // a partly written shortcut points nowhere
    return false;
}

std::optional<std::u16string> ReadShortcutTarget(std::u16string_view shortcutPath) {
    std::string content;
    if (!ReadFile(shortcutPath, content)) return std::nullopt;
    std::u16string textForm = text::Utf8ToUtf16(content);
    auto hash = textForm.find(u'#');
    if (hash == 0 || hash == std::u16string::npos) return std::nullopt;
    int32_t length = 0;
    if (!text::ParseInt(std::u16string_view(textForm).substr(0, hash), length) || length < 0) return std::nullopt;
    std::u16string target = textForm.substr(hash + 1);
    while (!target.empty() && (target.back() == u'\r' || target.back() == u'\n')) target.pop_back();
    return target;
}

bool IsUrl(std::u16string_view s) {
    auto colon = s.find(u':');
    if (colon == std::u16string_view::npos || colon < 2) return false;  // "C:" is no scheme
    for (std::size_t i = 0; i < colon; ++i) {
        char16_t c = s[i];
        bool ok = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                  (i > 0 && ((c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.'));
        if (!ok) return false;
    }
    return true;
}

bool ShellExecute(std::u16string_view verb, std::u16string_view file, std::u16string_view parameters,
                  Process* started) {
    if (file.empty() || !text::EqualsIgnoreCase(verb, u"open")) return false;
    std::optional<Process> process;
    if (IsUrl(file)) {
        auto command = UrlProtocolCommand(file);
        if (!command) return OpenUrl(file);
        process = CreateDeviceProcess(command->program, command->commandLine);
    } else if (auto target = ShortcutCommand(file)) {
        // A shortcut opens what it points at, with its own arguments first.
        std::u16string line = target->commandLine;
        if (!parameters.empty()) line += (line.empty() ? u"" : u" ") + std::u16string(parameters);
        process = CreateDeviceProcess(target->program, line);
    } else {
        process = CreateDeviceProcess(file, parameters);
    }
    if (!process) return false;
    if (started)
        *started = std::move(*process);
    else
        process->Detach();
    return true;
}

bool ShellDeleteTree(std::u16string_view devicePath) {
    if (!HostPathOf(devicePath)) return false;
    return !Exists(devicePath) || DeleteTree(devicePath);
}

int32_t ProcessProvisioningDocument(std::u16string_view document, uint32_t flags, std::u16string* result) {
    auto program = FindHostProgram("provision");
    if (!program) return kProvisionUnavailable;
    auto input = TempFile("provision-in");
    auto output = TempFile("provision-out");
    auto cleanup = [&] {
        std::error_code ec;
        if (input) fs::remove(*input, ec);
        if (output) fs::remove(*output, ec);
    };
    if (!input || !output) {
        cleanup();
        return kProvisionFailed;
    }
    {
        std::ofstream in(*input, std::ios::binary);
        in << text::Utf16ToUtf8(document);
    }
    SpawnOptions options;
    options.stdinFile = *input;
    options.stdoutFile = *output;
    auto process = SpawnHost(*program, {"--flags", std::to_string(flags)}, options);
    int code = -1;
    bool ran = process && process->Wait(&code);
    if (result) *result = text::Utf8ToUtf16(ReadHostFile(*output).value_or(std::string()));
    cleanup();
    if (!ran) return kProvisionUnavailable;
    switch (code) {
        case 0: return kProvisionOk;
        case 2: return kProvisionBadDocument;
        default: return kProvisionFailed;
    }
}

}  // namespace platform
