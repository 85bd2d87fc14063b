// Where the program keeps its files when no folder is given, and the one
// message when that folder cannot be written. The writability of folders is
// the seam's answer, so a folder is "read-only" here also for root.
#include "support/tempdir.h"
#include "util/datafolderchoice.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>

using namespace lumisk;

namespace {

namespace fs = std::filesystem;

// Folders (relative to the test's own directory) and what the seam says.
struct ChoiceCase {
    const char* name;
    std::string given;    // --data-dir, relative to the test directory
    std::string dataHome; // $XDG_DATA_HOME; "@" + path: inside the test directory
    std::set<std::string> readOnly;
    bool programIsSystem;
    std::string expected; // relative to the test directory
    TDataFolderChoice::TSource source;
    std::string problem; // part of the message; empty: none
};

class DataFolderChoice : public testing::TestWithParam<ChoiceCase> {};

TEST_P(DataFolderChoice, PicksTheFolderAndSaysOnceWhenItCannotBeWritten) {
    const ChoiceCase& c = GetParam();
    test::TTempDir dir;
    const std::string root = dir.Path().substr(0, dir.Path().size() - 1);
    fs::create_directories(root + "/program");
    fs::create_directories(root + "/home");
    dir.Write("a-file", "");
    TDataFolderPlaces places;
    places.ProgramFolder = root + "/program/";
    places.Home = root + "/home";
    places.DataHome =
        c.dataHome.rfind('@', 0) == 0 ? root + "/" + c.dataHome.substr(1) : c.dataHome;
    if (c.programIsSystem) places.SystemProgramFolders = {root + "/program"};
    places.CanWrite = [&](const std::string& folder) {
        return !c.readOnly.count(fs::path(folder).lexically_relative(root).string());
    };

    const TDataFolderChoice choice =
        TDataFolderChoice::Choose(c.given.empty() ? "" : root + "/" + c.given, places);
    EXPECT_EQ(choice.Folder(), root + "/" + c.expected);
    EXPECT_EQ(choice.Source(), c.source);
    const std::string problem = choice.Prepare(places);
    if (c.problem.empty()) {
        EXPECT_EQ(problem, "");
        EXPECT_TRUE(fs::is_directory(choice.Folder())) << "not created on first start";
    } else {
        EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
        EXPECT_NE(problem.find(choice.Folder()), std::string::npos) << problem;
        EXPECT_NE(problem.find("--data-dir"), std::string::npos) << problem;
        EXPECT_EQ(problem.find('\n'), std::string::npos) << "one message, one line";
    }
    // Nothing is made where the data does not go.
    if (choice.Source() != TDataFolderChoice::TSource::UserData) {
        EXPECT_FALSE(fs::exists(root + "/xdg/lumisk") || fs::exists(root + "/home/.local"));
    }
}

using S = TDataFolderChoice::TSource;

INSTANTIATE_TEST_SUITE_P(
    Cases, DataFolderChoice,
    testing::Values(
        ChoiceCase{
            "WritableProgramFolderStays", "", "@xdg", {}, false, "program", S::ProgramFolder, ""},
        ChoiceCase{"ReadOnlyProgramFolderMovesToDataHome",
                   "",
                   "@xdg",
                   {"program"},
                   false,
                   "xdg/lumisk",
                   S::UserData,
                   ""},
        ChoiceCase{"InstalledProgramFolderMovesEvenWhenRootMayWrite",
                   "",
                   "@xdg",
                   {},
                   true,
                   "xdg/lumisk",
                   S::UserData,
                   ""},
        ChoiceCase{"GivenFolderWinsAndIsCreated",
                   "given/deeper",
                   "@xdg",
                   {},
                   false,
                   "given/deeper",
                   S::Given,
                   ""},
        ChoiceCase{"GivenFolderWinsOverAReadOnlyProgramFolder",
                   "given",
                   "@xdg",
                   {"program"},
                   false,
                   "given",
                   S::Given,
                   ""},
        ChoiceCase{"MissingDataHomeMeansLocalShare",
                   "",
                   "",
                   {"program"},
                   false,
                   "home/.local/share/lumisk",
                   S::UserData,
                   ""},
        ChoiceCase{"RelativeDataHomeIsIgnored",
                   "",
                   "xdg",
                   {"program"},
                   false,
                   "home/.local/share/lumisk",
                   S::UserData,
                   ""},
        ChoiceCase{"NothingWritableSaysSo",
                   "",
                   "@xdg",
                   {"program", "xdg/lumisk"},
                   false,
                   "xdg/lumisk",
                   S::UserData,
                   "cannot be written"},
        ChoiceCase{"DataHomeBelowAFileSaysSo",
                   "",
                   "@a-file",
                   {"program"},
                   false,
                   "a-file/lumisk",
                   S::UserData,
                   "cannot be created"},
        ChoiceCase{"ReadOnlyGivenFolderSaysSo",
                   "given",
                   "@xdg",
                   {"given"},
                   false,
                   "given",
                   S::Given,
                   "cannot be written"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
