#include "base/OptionParser.h"

#include <CLI/CLI.hpp>

#include <cstdint>
#include <filesystem>

OptionParser::Option& OptionParser::Option::Required() {
    option_->required();
    return *this;
}

OptionParser::Option& OptionParser::Option::ShowDefault() {
    option_->capture_default_str();
    return *this;
}

OptionParser::Option& OptionParser::Option::Check(const CLI::Validator& rule) {
    option_->check(rule);
    return *this;
}

OptionParser::Option& OptionParser::Option::Range(long long low, long long high) {
    return Check(CLI::Range(low, high));
}

OptionParser::Option& OptionParser::Option::Positive() { return Check(CLI::PositiveNumber); }

OptionParser::Option& OptionParser::Option::NonNegative() { return Check(CLI::NonNegativeNumber); }

OptionParser::Option& OptionParser::Option::ExistingFile() { return Check(CLI::ExistingFile); }

OptionParser::Option& OptionParser::Option::ExistingFolder() { return Check(CLI::ExistingDirectory); }

OptionParser::Option& OptionParser::Option::Excludes(const Option& other) {
    option_->excludes(other.option_);  // both ways: the parser keeps the pair
    return *this;
}

bool OptionParser::Option::Given() const { return static_cast<bool>(*option_); }

OptionParser::OptionParser(const std::string& description)
    : owned_(std::make_unique<CLI::App>(description)), app_(owned_.get()) {}

OptionParser::OptionParser(CLI::App* command) : app_(command) {}

OptionParser::~OptionParser() = default;

template <typename T>
OptionParser::Option OptionParser::Add(const std::string& name, T& into, const std::string& help) {
    return Option(app_->add_option(name, into, help));
}

// The types the programs bind; another one is a link error naming it.
template OptionParser::Option OptionParser::Add(const std::string&, std::string&, const std::string&);
template OptionParser::Option OptionParser::Add(const std::string&, int&, const std::string&);
template OptionParser::Option OptionParser::Add(const std::string&, long&, const std::string&);
template OptionParser::Option OptionParser::Add(const std::string&, long long&, const std::string&);
template OptionParser::Option OptionParser::Add(const std::string&, unsigned long&, const std::string&);
template OptionParser::Option OptionParser::Add(const std::string&, double&, const std::string&);
template OptionParser::Option OptionParser::Add(const std::string&, std::filesystem::path&, const std::string&);
template OptionParser::Option OptionParser::Add(const std::string&, std::vector<std::string>&, const std::string&);
template OptionParser::Option OptionParser::Add(const std::string&, std::vector<std::filesystem::path>&,
                                                const std::string&);
template OptionParser::Option OptionParser::Add(const std::string&, std::optional<int>&, const std::string&);
template OptionParser::Option OptionParser::Add(const std::string&, std::optional<uint64_t>&, const std::string&);
template OptionParser::Option OptionParser::Add(const std::string&, std::optional<std::string>&, const std::string&);

OptionParser::Option OptionParser::AddFunction(const std::string& name, std::function<void(const std::string&)> take,
                                               const std::string& help) {
    return Option(app_->add_option_function<std::string>(name, std::move(take), help));
}

OptionParser::Option OptionParser::AddFlag(const std::string& name, bool& into, const std::string& help) {
    return Option(app_->add_flag(name, into, help));
}

OptionParser& OptionParser::AddCommand(const std::string& name, const std::string& description) {
    commands_.push_back(std::unique_ptr<OptionParser>(new OptionParser(app_->add_subcommand(name, description))));
    return *commands_.back();
}

void OptionParser::RequireCommand() { app_->require_subcommand(1); }

void OptionParser::OnChosen(std::function<void()> run) { app_->callback(std::move(run)); }

bool OptionParser::Chosen() const { return static_cast<bool>(*app_); }

std::optional<int> OptionParser::Parse(int argc, const char* const* argv) {
    try {
        app_->parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app_->exit(e);
    }
    return std::nullopt;
}
