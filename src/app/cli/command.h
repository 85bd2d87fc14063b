#pragma once
// One sub-command of `lumisk [--data-dir DIR] COMMAND [OPTIONS]`, run without
// any window and without a display.
//
// Adding a command:
//   1. Write a class derived from TCommand in src/app/cli/<name>command.h/.cpp:
//      its name, a one-line summary for `lumisk --help`, the usage text and
//      option table for `lumisk NAME --help`, the operands it takes, whether
//      it reads or writes the data folder, and Run().
//   2. Add one line to the list in commandregistry.cpp (the order there is
//      the order of `lumisk --help`) and the .cpp file to CMakeLists.txt.
//   3. Add a line to the "Command line" section of the README.
// The framework parses the options (bad usage ends with exit status 2 and a
// message naming the option), opens the data folder (2 when it is unusable)
// and answers --help; Run() only does the work. Run() writes results to
// context.Out(), diagnostics through context.Say(), shows progress with
// context.Progress(), and polls context.StopRequested() between steps: a
// stop (Ctrl+C, SIGTERM) ends the step in progress or abandons it whole and
// then returns. Errors are typed: EUsageError for bad input (exit 2),
// EDataFolderError for the folder (exit 2), anything else is shown and
// ends the command with exit status 1.
#include <string>
#include <vector>

namespace lumisk::cli {

class TCommandArgs;
class TCommandContext;

// Exit statuses of every command.
constexpr int kExitSuccess = 0;
constexpr int kExitPartialFailure = 1; // some cameras or frames failed, or a stop
constexpr int kExitUsage = 2;          // bad usage or an unusable data folder

// An option of a command: "--name VALUE", "--name=VALUE", or a flag "--name"
// when Value is empty.
struct TOption {
    std::string Name;  // with the leading "--"
    std::string Value; // the placeholder shown in the help ("MINUTES"), empty for a flag
    std::string Help;  // one line or more, without the final newline
};

// What a command does with the data folder before Run() is called.
enum class TDataAccess {
    None,            // does not touch it
    MustExist,       // a missing folder is an error (nothing to read there)
    CreateIfMissing, // created when missing, as the windows do
};

class TCommand {
  public:
    virtual ~TCommand() = default;
    virtual std::string Name() const = 0;
    // One line for the command list of `lumisk --help`.
    virtual std::string Summary() const = 0;
    // What follows "lumisk [--data-dir DIR] NAME " in the usage line, e.g.
    // "DESCRIPTION ADDRESS [--page URL] [--every MINUTES]".
    virtual std::string Usage() const = 0;
    // The paragraphs of `lumisk NAME --help` between the usage line and the
    // option list.
    virtual std::string Details() const = 0;
    virtual std::vector<TOption> Options() const { return {}; }
    // The names of the words the command takes besides options, in order;
    // exactly these many must be given.
    virtual std::vector<std::string> Operands() const { return {}; }
    virtual TDataAccess DataAccess() const { return TDataAccess::MustExist; }
    // Does the work; returns one of the exit statuses above.
    virtual int Run(const TCommandArgs& args, TCommandContext& context) = 0;
};

} // namespace lumisk::cli
