#include "app/cli/commandline.h"

#include "app/cli/commandargs.h"
#include "app/cli/commandcontext.h"
#include "app/cli/commandregistry.h"
#include "app/cli/datafolder.h"
#include "app/cli/headlessdialogs.h"
#include "app/cli/progressline.h"
#include "app/cli/stopsignals.h"
#include "catalogue/appstate.h"
#include "tools/systemclock.h"
#include "util/datafolderchoice.h"
#include "util/services.h"

#include <QCoreApplication>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

namespace lumisk::cli {

namespace {

const char* const kDataDirHelp = "keep the catalogue, settings, favourites, previews and\n"
                                 "frames in DIR (created when missing) instead of the\n"
                                 "program's directory, or of $XDG_DATA_HOME/lumisk\n"
                                 "(~/.local/share/lumisk) when that cannot be written";

// "  NAME  help" rows with the help texts aligned and their further lines
// indented to match.
std::string Table(const std::vector<std::pair<std::string, std::string>>& rows) {
    std::size_t width = 0;
    for (const auto& row : rows)
        width = std::max(width, row.first.size());
    std::string text;
    for (const auto& [name, help] : rows) {
        std::string line = "  " + name + std::string(width - name.size() + 2, ' ');
        for (char c : help) {
            line += c;
            if (c == '\n') line += std::string(width + 4, ' ');
        }
        text += line + "\n";
    }
    return text;
}

std::string UsageHint(const std::string& commandName) {
    return "see 'lumisk " + commandName + " --help'";
}

// Restores the seams a command installed, so nothing points at its locals.
struct TServicesGuard {
    TServices saved = Services();
    ~TServicesGuard() { Services() = saved; }
};

int RunCommand(TCommand& command, const std::vector<std::string>& words, std::string dataDir,
               char* programName) {
    TStopSignals::Install();
    TProgressLine progress = TProgressLine::ForStderr();
    auto say = [&progress](const std::string& text) { progress.Line("lumisk: " + text); };
    int status = kExitUsage;
    try {
        const TCommandArgs args = TCommandArgs::Parse(command, words);
        if (args.HelpRequested()) {
            std::fputs(CommandHelp(command).c_str(), stdout);
            return kExitSuccess;
        }
        if (args.DataDir()) dataDir = *args.DataDir();

        int qtArgc = 1;
        char* qtArgv[] = {programName, nullptr};
        QCoreApplication application(qtArgc, qtArgv);
        QCoreApplication::setApplicationName("Lumisk");
        TServicesGuard guard;
        THeadlessDialogs dialogs(say);
        TSystemClock clock;
        Services().Dialogs = &dialogs;
        Services().Shell = nullptr;
        Services().Wallpaper = nullptr;
        Services().Clock = &clock;

        std::optional<TDataFolder> folder;
        if (command.DataAccess() != TDataAccess::None) {
            const TDataFolderPlaces places = TDataFolderPlaces::OfThisProcess();
            const TDataFolderChoice choice = TDataFolderChoice::Choose(dataDir, places);
            // A folder of the user's own choosing is created only by the
            // commands that would create it anyway.
            const bool create = choice.Source() != TDataFolderChoice::TSource::Given ||
                                command.DataAccess() == TDataAccess::CreateIfMissing;
            const std::string problem = choice.Prepare(places, create);
            std::error_code error;
            const bool there = std::filesystem::is_directory(choice.Folder(), error);
            // Said once; a given folder that is not there is reported below.
            if (!problem.empty() && !there && choice.Source() != TDataFolderChoice::TSource::Given)
                throw EDataFolderError(problem);
            if (!problem.empty() && there) say(problem);
            folder.emplace(choice.Folder(), command.DataAccess(), say);
        }
        TCommandContext context(stdout, progress, folder ? &*folder : nullptr);
        status = command.Run(args, context);
    } catch (const EUsageError& e) {
        say(command.Name() + ": " + e.Message());
        say(UsageHint(command.Name()));
        status = kExitUsage;
    } catch (const EDataFolderError& e) {
        say(e.Message());
        status = kExitUsage;
    } catch (const std::exception& e) {
        say(e.what());
        status = kExitPartialFailure;
    }
    progress.Finish();
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        say(std::string("cannot write the results: ") + std::strerror(errno));
        status = std::max(status, kExitPartialFailure);
    }
    return status;
}

// The last --data-dir of the program's options (before any command), for
// --help, which may come before it.
std::string GivenDataDir(int argc, char** argv) {
    std::string given;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--data-dir" && i + 1 < argc)
            given = argv[++i];
        else if (word.rfind("--data-dir=", 0) == 0)
            given = word.substr(11);
        else if (word == "-platform" || word == "-style")
            ++i;
        else if (word.empty() || word[0] != '-')
            break;
    }
    return given;
}

} // namespace

std::optional<int> RunCommandLine(int argc, char** argv, std::string& dataDir) {
    auto fail = [](const std::string& message) {
        std::fprintf(stderr, "lumisk: %s\nlumisk: see 'lumisk --help'\n", message.c_str());
        return kExitUsage;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--help" || word == "-h") {
            std::fputs(ProgramHelp().c_str(), stdout);
            std::printf("\n%s\n", TDataFolderChoice::Choose(GivenDataDir(argc, argv),
                                                            TDataFolderPlaces::OfThisProcess())
                                      .Describe()
                                      .c_str());
            return kExitSuccess;
        }
        if (word == "--version") {
            std::printf("%s\n", VersionLine);
            return kExitSuccess;
        }
        if (word == "--data-dir" || word.rfind("--data-dir=", 0) == 0) {
            if (word == "--data-dir" && i + 1 < argc)
                dataDir = argv[++i];
            else if (word != "--data-dir")
                dataDir = word.substr(11);
            else
                dataDir.clear();
            if (dataDir.empty()) return fail("--data-dir needs a folder");
            continue;
        }
        if (word == "-platform" || word == "-style") {
            ++i;
            continue;
        }
        if (!word.empty() && word[0] == '-') return fail("unknown option " + word);
        TCommand* command = TCommandRegistry::Find(word);
        if (!command) return fail("'" + word + "' is not a command");
        return RunCommand(*command, std::vector<std::string>(argv + i + 1, argv + argc), dataDir,
                          argv[0]);
    }
    return std::nullopt;
}

std::string ProgramHelp() {
    std::vector<std::pair<std::string, std::string>> commands;
    for (const auto& command : TCommandRegistry::All())
        commands.emplace_back(command->Name(), command->Summary());
    return "Usage: lumisk [--data-dir DIR] [COMMAND [OPTIONS]]\n"
           "\n"
           "Lumisk keeps a catalogue of public web cameras and fetches their images.\n"
           "Without a COMMAND it opens its windows; a COMMAND needs no display.\n"
           "\n"
           "Commands:\n" +
           Table(commands) +
           "\n"
           "Options:\n" +
           Table({{"--data-dir DIR", kDataDirHelp},
                  {"--help", "show this text and exit; 'lumisk COMMAND --help'\n"
                             "describes a command"},
                  {"--version", "show the version and exit"}}) +
           "\n"
           "A command writes its results to standard output and its messages to\n"
           "standard error. Exit status: 0 success, 1 some cameras or frames failed\n"
           "(or a refresh or movie was stopped before its end; a stopped grab has\n"
           "simply ended), 2 bad usage or an unusable data folder. Ctrl+C or SIGTERM\n"
           "stops a command as its window's Stop button does.\n";
}

std::string CommandHelp(const TCommand& command) {
    std::vector<std::pair<std::string, std::string>> options;
    for (const TOption& option : command.Options())
        options.emplace_back(option.Name + (option.Value.empty() ? "" : " " + option.Value),
                             option.Help);
    options.emplace_back("--data-dir DIR",
                         "the data folder, as before the command (see 'lumisk --help')");
    options.emplace_back("-h, --help", "show this text and exit");
    std::string details = command.Details();
    if (!details.empty() && details.back() != '\n') details += '\n';
    const std::string usage = command.Usage().empty() ? "" : " " + command.Usage();
    return "Usage: lumisk [--data-dir DIR] " + command.Name() + usage + "\n\n" + details +
           "\nOptions:\n" + Table(options);
}

} // namespace lumisk::cli
