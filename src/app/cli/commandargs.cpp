#include "app/cli/commandargs.h"

#include <limits>

namespace lumisk::cli {

namespace {

const TOption kDataDirOption{"--data-dir", "DIR", ""};

const TOption* FindOption(const std::vector<TOption>& options, const std::string& name) {
    if (name == kDataDirOption.Name) return &kDataDirOption;
    for (const TOption& option : options)
        if (option.Name == name) return &option;
    return nullptr;
}

bool IsHelp(const std::string& word) {
    return word == "-h" || word == "--help";
}

} // namespace

TCommandArgs TCommandArgs::Parse(const TCommand& command, const std::vector<std::string>& words) {
    TCommandArgs args;
    for (const std::string& word : words) {
        if (word == "--") break;
        if (IsHelp(word)) {
            args.help_ = true;
            return args;
        }
    }
    const std::vector<TOption> options = command.Options();
    bool optionsEnded = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (!optionsEnded && word == "--") {
            optionsEnded = true;
            continue;
        }
        // A lone "-" is an operand, as it is for most programs.
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            args.operands_.push_back(word);
            continue;
        }
        const std::size_t equals = word.find('=');
        const std::string name = word.substr(0, equals);
        const TOption* option = word.compare(0, 2, "--") == 0 ? FindOption(options, name) : nullptr;
        if (!option)
            throw EUsageError("unknown option " + name +
                              (word[1] == '-' ? "" : " (put -- before a word that starts with -)"));
        std::string value;
        if (option->Value.empty()) {
            if (equals != std::string::npos) throw EUsageError(name + " takes no value");
        } else if (equals != std::string::npos) {
            value = word.substr(equals + 1);
        } else if (i + 1 < words.size()) {
            value = words[++i];
        } else {
            throw EUsageError(name + " needs a value (" + option->Value + ")");
        }
        if (option == &kDataDirOption) {
            if (value.empty()) throw EUsageError("--data-dir needs a folder");
            args.dataDir_ = value;
        } else {
            args.values_[name] = value;
        }
    }
    const std::vector<std::string> names = command.Operands();
    if (args.operands_.size() < names.size())
        throw EUsageError("missing " + names[args.operands_.size()]);
    if (args.operands_.size() > names.size())
        throw EUsageError("unexpected word '" + args.operands_[names.size()] + "'" +
                          (names.empty() ? "" : " after " + names.back()));
    return args;
}

std::string TCommandArgs::Text(const std::string& option, const std::string& fallback) const {
    auto it = values_.find(option);
    return it == values_.end() ? fallback : it->second;
}

std::int64_t TCommandArgs::Whole(const std::string& option, std::int64_t min, std::int64_t max,
                                 std::int64_t fallback) const {
    auto it = values_.find(option);
    if (it == values_.end()) return fallback;
    if (auto number = ParseWhole(it->second, min, max)) return *number;
    throw EUsageError(option + " needs a whole number from " + std::to_string(min) + " to " +
                      std::to_string(max) + ", not '" + it->second + "'");
}

std::optional<std::int64_t> ParseWhole(const std::string& text, std::int64_t min,
                                       std::int64_t max) {
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) ++i;
    if (i == text.size()) return std::nullopt;
    // Accumulated as a negative number, which also holds the smallest value.
    std::int64_t value = 0;
    constexpr std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return std::nullopt;
        const int digit = c - '0';
        if (value < (lowest + digit) / 10) return std::nullopt;
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == lowest) return std::nullopt;
        value = -value;
    }
    if (value < min || value > max) return std::nullopt;
    return value;
}

} // namespace lumisk::cli
