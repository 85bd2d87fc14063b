#pragma once
// The words after a command's name, parsed against its option table:
// "--name VALUE", "--name=VALUE", flags, "-h"/"--help", and operands in any
// order; "--" ends the options, so an operand may start with "-". An option
// given twice keeps its last value. Words are bytes and are never
// transcoded. Every mistake throws EUsageError with a message that names the
// option or operand, which the framework turns into exit status 2.
#include "app/cli/command.h"
#include "util/lumiskerror.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace lumisk::cli {

class EUsageError : public ELumiskError {
  public:
    explicit EUsageError(const std::string& message) : ELumiskError(message) {}
};

class TCommandArgs {
  public:
    // Throws EUsageError; with -h or --help before "--" nothing else is
    // checked and HelpRequested() is true.
    static TCommandArgs Parse(const TCommand& command, const std::vector<std::string>& words);

    bool HelpRequested() const { return help_; }
    // --data-dir given after the command name.
    const std::optional<std::string>& DataDir() const { return dataDir_; }

    const std::vector<std::string>& Operands() const { return operands_; }
    const std::string& Operand(std::size_t index) const { return operands_.at(index); }

    bool Has(const std::string& option) const { return values_.count(option) != 0; }
    // The option's value, or fallback when it was not given.
    std::string Text(const std::string& option, const std::string& fallback = {}) const;
    // The option's value as a whole number in [min, max], or fallback when it
    // was not given; anything else throws EUsageError naming the option.
    std::int64_t Whole(const std::string& option, std::int64_t min, std::int64_t max,
                       std::int64_t fallback) const;

  private:
    bool help_ = false;
    std::optional<std::string> dataDir_;
    std::vector<std::string> operands_;
    std::map<std::string, std::string> values_; // flags map to ""
};

// The text as a whole decimal number in [min, max] ("+" and spaces refused),
// or nothing.
std::optional<std::int64_t> ParseWhole(const std::string& text, std::int64_t min, std::int64_t max);

} // namespace lumisk::cli
