#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
class Option;
class Validator;
}  // namespace CLI

// A program's command line: options, flags, positional arguments and
// subcommands, each bound to one of the caller's variables. The parsing
// library is compiled here once; a program's main file includes only this
// header (the library's own headers cost every main file seconds of compile
// time with the sanitizers).
//
// Contract:
// - A name starting with '-' is an option ("-o,--output" gives both forms);
//   any other name is a positional argument, taken in the order added.
// - Bound variables and callbacks must outlive Parse(). A variable keeps its
//   value when its option is not given.
// - Parse() runs the callbacks of the chosen subcommands before it returns.
//   An exception a callback throws leaves Parse() as it is; only the parser's
//   own usage errors are turned into an exit status.
// - A subcommand is owned by its parent; the reference AddCommand() returns
//   lives as long as the root parser.
class OptionParser {
public:
    // One option, to add rules to. Copies refer to the same option.
    class Option {
    public:
        Option& Required();
        // The help shows the variable's value before parsing as the default.
        Option& ShowDefault();
        // The value must lie in [low, high], or be positive, non-negative, a
        // file or a folder that exists.
        Option& Range(long long low, long long high);
        Option& Positive();
        Option& NonNegative();
        Option& ExistingFile();
        Option& ExistingFolder();
        // Refused together with `other` on one command line.
        Option& Excludes(const Option& other);
        // Whether the command line gave this option.
        bool Given() const;

    private:
        friend class OptionParser;
        explicit Option(CLI::Option* option) : option_(option) {}
        Option& Check(const CLI::Validator& rule);
        CLI::Option* option_;
    };

    explicit OptionParser(const std::string& description);
    ~OptionParser();
    OptionParser(const OptionParser&) = delete;
    OptionParser& operator=(const OptionParser&) = delete;

    // Binds a value. Instantiated in OptionParser.cpp for the types the
    // programs use (numbers, text, paths, lists and optionals of them).
    template <typename T>
    Option Add(const std::string& name, T& into, const std::string& help);
    // Calls `take` with the option's text each time it is given.
    Option AddFunction(const std::string& name, std::function<void(const std::string&)> take,
                       const std::string& help);
    Option AddFlag(const std::string& name, bool& into, const std::string& help);

    OptionParser& AddCommand(const std::string& name, const std::string& description);
    // Exactly one subcommand must be given.
    void RequireCommand();
    // Runs when this (sub)command is chosen, after the whole line is parsed.
    void OnChosen(std::function<void()> run);
    // Whether the command line chose this subcommand.
    bool Chosen() const;

    // Parses the command line. Empty when the program goes on; otherwise the
    // status to exit with, after the help (0) or a usage error (the parser's
    // non-zero code) was printed.
    std::optional<int> Parse(int argc, const char* const* argv);

private:
    explicit OptionParser(CLI::App* command);

    std::unique_ptr<CLI::App> owned_;  // the root's; a subcommand's is its parent's
    CLI::App* app_;
    std::vector<std::unique_ptr<OptionParser>> commands_;
};
