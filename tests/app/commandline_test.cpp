// The built lumisk executable run as a script would run it: no DISPLAY, no
// QT_QPA_PLATFORM, each run in its own data folder. What the commands write
// must be what the windows write.
#include "app/cli/commandregistry.h"
#include "support/displaylessprocess.h"
#include "support/mainformfixture.h"
#include "support/tempdir.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace lumisk;
using namespace lumisk::test;

extern char** environ;

namespace {

struct TRun {
    int Status = -1;
    std::string Out, Err;
};

// Runs lumisk with these arguments (bytes, passed as they are) in an
// environment without any display, its output captured in files of dir.
TRun Lumisk(const TTempDir& dir, const std::vector<std::string>& args) {
    std::vector<std::string> argv{LUMISK_EXECUTABLE};
    argv.insert(argv.end(), args.begin(), args.end());
    const pid_t pid = StartWithoutDisplay(argv, dir.File("run.out"), dir.File("run.err"));
    TRun run;
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        run.Status = WEXITSTATUS(status);
    run.Out = dir.Read("run.out");
    run.Err = dir.Read("run.err");
    return run;
}

// Writes dir/name, creating the folders on its way.
void Put(const TTempDir& dir, const std::string& name, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(dir.File(name)).parent_path());
    dir.Write(name, bytes);
}

// The same, on the folder "data" inside dir.
TRun InData(const TTempDir& dir, std::vector<std::string> args) {
    args.insert(args.begin(), {"--data-dir", dir.File("data")});
    return Lumisk(dir, args);
}

const std::string kLatin1 = "Caf\xe9 du port"; // not UTF-8: kept as bytes

const std::string kThreeCameras = "Harbour Cam\r\nhttp://127.0.0.1/h.jpg\r\n\r\n\r\n\r\n"
                                  "Dup\r\nhttp://127.0.0.1/d1.jpg\r\n\r\n\r\n\r\n"
                                  "Dup\r\nhttp://127.0.0.1/d2.jpg\r\n\r\n\r\n\r\n";

} // namespace

TEST(CommandLine, AddThenListRoundTripsEveryFieldByteForByte) {
    TTempDir dir;
    ASSERT_EQ(InData(dir, {"add", "Harbour Cam", "http://127.0.0.1/h.jpg", "--every", "15",
                           "--page=http://127.0.0.1/harbour"})
                  .Status,
              0);
    ASSERT_EQ(InData(dir, {"add", kLatin1, "http://127.0.0.1/c.jpg"}).Status, 0);
    // --data-dir after the command, and "--" before a description starting with "-".
    TRun added = Lumisk(dir, {"add", "--data-dir", dir.File("data"), "--", "-5 C", "x"});
    EXPECT_EQ(added.Status, 0) << added.Err;
    EXPECT_EQ(added.Out, "Added camera 3: -5 C\n");

    EXPECT_EQ(dir.Read("data/orvane.dat"),
              "Harbour Cam\r\nhttp://127.0.0.1/h.jpg\r\nhttp://127.0.0.1/harbour\r\n15\r\n\r\n" +
                  kLatin1 + "\r\nhttp://127.0.0.1/c.jpg\r\n\r\n\r\n\r\n-5 C\r\nx\r\n\r\n\r\n\r\n");
    TRun list = InData(dir, {"list"});
    EXPECT_EQ(list.Status, 0);
    EXPECT_EQ(list.Out, "Harbour Cam\thttp://127.0.0.1/h.jpg\n" + kLatin1 +
                            "\thttp://127.0.0.1/c.jpg\n-5 C\tx\n");
    EXPECT_EQ(list.Err, "");
    EXPECT_EQ(InData(dir, {"list", "--long"}).Out,
              "Harbour Cam\thttp://127.0.0.1/h.jpg\thttp://127.0.0.1/harbour\t15\t\n" + kLatin1 +
                  "\thttp://127.0.0.1/c.jpg\t\t\t\n-5 C\tx\t\t\t\n");
}

class CommandLineVsWindow : public MainFormFixture {};

TEST_F(CommandLineVsWindow, RemoveAndAddWriteTheCatalogueTheWindowWrites) {
    const std::string start = "Cam 1\r\nhttp://127.0.0.1/1.jpg\r\n\r\n5\r\nSat, 01 Jan 2000\r\n" +
                              kLatin1 + "\r\nhttp://127.0.0.1/2.jpg\r\nhttp://p\r\n\r\n\r\n" +
                              "Cam 3\r\nhttp://127.0.0.1/3.jpg\r\n\r\n\r\n\r\n";
    TTempDir cli;
    dir.Write("orvane.dat", start);
    Put(cli, "data/orvane.dat", start);
    WriteKnownVersion();

    Start();
    Main().description_combo->setCurrentIndex(1);
    Main().description_comboClick();
    Dialogs().ConfirmAnswers = {true};
    Main().delbutton->click();
    Main().lastbutton->click();
    Main().addbutton->click();
    Main().description->setText("Zürich Bahnhof");
    Main().url->setText("http://127.0.0.1/z.jpg");
    Main().website->setText("http://127.0.0.1/zurich");
    Main().updatetime->setText("30");
    Main().close();

    EXPECT_EQ(InData(cli, {"remove", kLatin1}).Status, 0);
    EXPECT_EQ(InData(cli, {"add", "Zürich Bahnhof", "http://127.0.0.1/z.jpg", "--page",
                           "http://127.0.0.1/zurich", "--every", "30"})
                  .Status,
              0);
    EXPECT_EQ(cli.Read("data/orvane.dat"), dir.Read("orvane.dat"));
}

struct RemoveCase {
    const char* name;
    std::string description;
    int status;
    std::string catalogueAfter;
    std::vector<std::string> listed; // on stderr
};

class CommandLineRemove : public testing::TestWithParam<RemoveCase> {};

TEST_P(CommandLineRemove, RemovesOnlyAnExactSingleMatch) {
    const RemoveCase& c = GetParam();
    TTempDir dir;
    Put(dir, "data/orvane.dat", kThreeCameras);
    TRun run = InData(dir, {"remove", c.description});
    EXPECT_EQ(run.Status, c.status) << run.Err;
    EXPECT_EQ(dir.Read("data/orvane.dat"), c.catalogueAfter);
    for (const auto& text : c.listed)
        EXPECT_NE(run.Err.find(text), std::string::npos) << run.Err;
    if (c.status) {
        EXPECT_EQ(run.Err.rfind("lumisk: remove: ", 0), 0u) << run.Err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineRemove,
    testing::Values(
        RemoveCase{"Exact", "Harbour Cam", 0, kThreeCameras.substr(kThreeCameras.find("Dup")), {}},
        RemoveCase{"OtherLetterCase", "harbour cam", 2, kThreeCameras, {"camera 1: Harbour Cam"}},
        RemoveCase{"Misspelt", "Harbor Cam", 2, kThreeCameras, {"did you mean", "Harbour Cam"}},
        RemoveCase{"PartOfIt", "harbour", 2, kThreeCameras, {"camera 1: Harbour Cam"}},
        RemoveCase{"Ambiguous",
                   "Dup",
                   2,
                   kThreeCameras,
                   {"2 cameras are named", "camera 2: Dup", "camera 3: Dup"}},
        RemoveCase{"Missing", "Nowhere", 2, kThreeCameras, {"no camera is named \"Nowhere\""}}),
    [](const auto& info) { return std::string(info.param.name); });

struct UsageCase {
    const char* name;
    std::vector<std::string> args;
    std::string message;
};

class CommandLineUsage : public testing::TestWithParam<UsageCase> {};

TEST_P(CommandLineUsage, ExitsTwoNamingTheMistakeAndChangesNothing) {
    const UsageCase& c = GetParam();
    TTempDir dir;
    Put(dir, "data/orvane.dat", kThreeCameras);
    TRun run = InData(dir, c.args);
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err.rfind("lumisk: ", 0), 0u) << run.Err;
    EXPECT_NE(run.Err.find(c.message), std::string::npos) << run.Err;
    EXPECT_EQ(dir.Read("data/orvane.dat"), kThreeCameras);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineUsage,
    testing::Values(
        UsageCase{"UnknownCommand", {"lsit"}, "'lsit' is not a command"},
        UsageCase{"UnknownOption", {"list", "--lnog"}, "list: unknown option --lnog"},
        UsageCase{"MissingOperand", {"add", "New"}, "add: missing ADDRESS"},
        UsageCase{"ExtraOperand", {"remove", "Dup", "Dup"}, "unexpected word 'Dup'"},
        UsageCase{"MissingValue", {"add", "New", "http://n", "--page"}, "--page needs a value"},
        UsageCase{"ValueForAFlag", {"list", "--long=yes"}, "--long takes no value"},
        UsageCase{"MinutesNotANumber", {"add", "New", "http://n", "--every", "5m"}, "--every"},
        UsageCase{"DescriptionTaken",
                  {"add", "harbour CAM", "http://n"},
                  "camera 1 is already named \"Harbour Cam\""},
        UsageCase{
            "DescriptionTooLong", {"add", std::string(151, 'd'), "http://n"}, "151 bytes long"},
        UsageCase{"LineBreak", {"add", "New\ncam", "http://n"}, "line break"},
        UsageCase{"EmptyAddress", {"add", "New", ""}, "ADDRESS is empty"}),
    [](const auto& info) { return std::string(info.param.name); });

struct FolderCase {
    const char* name;
    std::string folder;
    std::string command;
    std::string message;
};

class CommandLineDataFolder : public testing::TestWithParam<FolderCase> {};

TEST_P(CommandLineDataFolder, UnusableFolderExitsTwo) {
    const FolderCase& c = GetParam();
    TTempDir dir;
    dir.Write("plain-file", "");
    Put(dir, "unreadable/orvane.dat/x", ""); // a folder where the catalogue should be
    std::vector<std::string> args{"--data-dir", dir.File(c.folder), c.command};
    if (c.command == "add") args.insert(args.end(), {"New", "http://n"});
    TRun run = Lumisk(dir, args);
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find(c.message), std::string::npos) << run.Err;
    EXPECT_FALSE(dir.Exists("absent"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineDataFolder,
    testing::Values(
        FolderCase{"MissingForList", "absent", "list", "does not exist"},
        FolderCase{"AFile", "plain-file", "add", "is not a folder"},
        FolderCase{"BelowAFile", "plain-file/sub", "add", "cannot create the data folder"},
        FolderCase{"UnreadableCatalogue", "unreadable", "list", "Cannot open file"},
        FolderCase{"UnreadableCatalogueNotReplaced", "unreadable", "add", "Cannot open file"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommandLine, HelpDescribesEveryCommandAndOption) {
    TTempDir dir;
    TRun program = Lumisk(dir, {"--help"});
    EXPECT_EQ(program.Status, 0);
    for (const auto& command : cli::TCommandRegistry::All()) {
        EXPECT_NE(program.Out.find("  " + command->Name() + "  "), std::string::npos);
        EXPECT_NE(program.Out.find(command->Summary()), std::string::npos);
        // --help wins wherever it stands, even after a mistake.
        TRun help = Lumisk(dir, {command->Name(), "--bogus", "--help"});
        EXPECT_EQ(help.Status, 0) << command->Name();
        EXPECT_EQ(help.Out.rfind("Usage: lumisk [--data-dir DIR] " + command->Name(), 0), 0u);
        for (const auto& option : command->Options())
            EXPECT_NE(help.Out.find("  " + option.Name), std::string::npos) << option.Name;
    }
}

TEST(CommandLine, HelpNamesTheDataFolderInUse) {
    TTempDir dir;
    const std::string program = std::filesystem::path(LUMISK_EXECUTABLE).parent_path().string();
    const struct {
        std::vector<std::string> args;
        std::string line;
    } cases[] = {
        {{"--help"}, "Data folder: " + program + " (the program's own folder)\n"},
        {{"--help", "--data-dir", dir.File("data/")},
         "Data folder: " + dir.File("data") + " (given with --data-dir)\n"},
    };
    for (const auto& c : cases) {
        TRun run = Lumisk(dir, c.args);
        EXPECT_EQ(run.Status, 0);
        EXPECT_NE(run.Out.find(c.line), std::string::npos) << run.Out;
    }
    EXPECT_FALSE(dir.Exists("data")) << "--help made the folder";
}
