// Whole-file reading and writing: line ends of every kind, and a failed
// rewrite that must leave the old file and no temporary behind.
#include "support/tempdir.h"
#include "util/fileio.h"
#include "util/lumiskerror.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace lumisk;
using lumisk::test::TTempDir;

namespace {

struct LinesCase {
    const char* name;
    std::string data;
    std::vector<std::string> lines;
};

class TextLines : public testing::TestWithParam<LinesCase> {};

TEST_P(TextLines, SplitsAtEveryKindOfLineEnd) {
    EXPECT_EQ(SplitTextLines(GetParam().data), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextLines,
    testing::Values(LinesCase{"crlf", "a\r\nb\r\n", {"a", "b"}},
                    LinesCase{"lone_lf", "a\nb\n", {"a", "b"}},
                    LinesCase{"lone_cr", "a\rb\r", {"a", "b"}},
                    LinesCase{"mixed", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
                    LinesCase{"no_final_line_end", "a\r\nb", {"a", "b"}},
                    LinesCase{"lf_cr_is_two_line_ends", "a\n\rb", {"a", "", "b"}},
                    LinesCase{"empty_lines_kept", "\r\n\r\nx\r\n", {"", "", "x"}},
                    LinesCase{"crlf_split_by_nul", std::string("a\r\0\nb", 5), {"a"}},
                    LinesCase{"nul_ends_the_text", std::string("a\r\nb\0c\r\n", 8), {"a", "b"}},
                    LinesCase{"empty", "", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextLines, JoinWritesCrLfAfterEveryLine) {
    EXPECT_EQ(JoinTextLines({"a", "", "b"}), "a\r\n\r\nb\r\n");
    EXPECT_EQ(JoinTextLines({}), "");
    EXPECT_EQ(SplitTextLines(JoinTextLines({"x", "", "y"})),
              (std::vector<std::string>{"x", "", "y"}));
}

TEST(WholeFile, MissingFileIsNothingAndDirectoryIsAnError) {
    TTempDir dir;
    EXPECT_FALSE(ReadWholeFile(dir.File("missing")).has_value());
    EXPECT_FALSE(FileExists(dir.File("missing")));
    EXPECT_FALSE(FileExists(dir.Path()));
    EXPECT_THROW(ReadWholeFile(dir.Path()), EFOpenError);
}

TEST(WholeFile, ReplacingKeepsBytesAndPermissions) {
    TTempDir dir;
    dir.Write("data", "old");
    ASSERT_EQ(::chmod(dir.File("data").c_str(), 0640), 0);
    const std::string bytes("line\r\n\0\xFF", 8);
    WriteFileReplacing(dir.File("data"), bytes);
    EXPECT_EQ(ReadWholeFile(dir.File("data")), bytes);
    struct stat st {};
    ASSERT_EQ(::stat(dir.File("data").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_TRUE(FileExists(dir.File("data")));
}

std::vector<std::string> Entries(const std::string& path) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(WholeFile, FailedReplaceNamesThePathAndLeavesNoTemporary) {
    TTempDir dir;
    dir.Write("keep", "old");
    const std::string missingDir = dir.File("nowhere/data");
    try {
        WriteFileReplacing(missingDir, "new");
        FAIL() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Cannot create file " + missingDir);
    }

    // A directory in the target's place cannot be replaced by a file.
    std::filesystem::create_directory(dir.File("target"));
    dir.Write("target/inside", "old");
    EXPECT_THROW(WriteFileReplacing(dir.File("target"), "new"), EFCreateError);
    EXPECT_EQ(dir.Read("target/inside"), "old");
    EXPECT_EQ(dir.Read("keep"), "old");
    EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"keep", "target"}));
}

// --- Data files the user must not lose ----------------------------------------

// The folder as "name=bytes" for files, "name@" for links and "name/" for
// folders (followed by what they hold).
std::string Listing(const std::filesystem::path& folder, const std::string& prefix = "") {
    std::string out;
    for (const std::string& name : Entries(folder)) {
        const auto entry = folder / name;
        if (std::filesystem::is_symlink(entry))
            out += prefix + name + "@ ";
        else if (std::filesystem::is_directory(entry))
            out += prefix + name + "/ " + Listing(entry, prefix + name + "/");
        else
            out += prefix + name + "=" + *ReadWholeFile(entry) + " ";
    }
    return out;
}

// Start-up (leftovers removed, the file read) and a later save of "new".
struct SafetyCase {
    const char* name;
    std::function<void(const TTempDir&)> prepare;
    mode_t folder; // the folder's permissions meanwhile
    bool asNobody;
    const char* readError; // "" or the message's start
    const char* saveError;
    const char* after; // the Listing
};

class DataFileSafety : public testing::TestWithParam<SafetyCase> {};

TEST_P(DataFileSafety, NothingOfTheUsersIsLost) {
    const SafetyCase& c = GetParam();
    TTempDir dir;
    const std::string path = dir.File("data");
    c.prepare(dir);
    ASSERT_EQ(::chmod(dir.Path().c_str(), c.folder), 0);
    auto error = [&](const std::string& text, const std::function<void()>& step) {
        try {
            step();
        } catch (const ELumiskError& e) {
            EXPECT_EQ(e.Message(), text + path);
            return;
        }
        EXPECT_EQ("", text);
    };
    // Root passes every permission check: as nobody's (the thread's file
    // access only), the cases mean the same under root as under anyone else.
    const bool root = c.asNobody && ::geteuid() == 0;
    if (root) ::setfsgid(65534), ::setfsuid(65534);
    RemoveSaveLeftovers(dir.Path());
    error(c.readError, [&] { ReadDataFile(path); });
    error(c.saveError, [&] { WriteDataFile(path, "new"); });
    if (root) ::setfsuid(0), ::setfsgid(0);
    ::chmod(dir.Path().c_str(), 0700);
    ::chmod(path.c_str(), 0600);
    EXPECT_EQ(Listing(dir.Path()), c.after);
}

void Prepare(const TTempDir& dir, std::initializer_list<const char*> files, mode_t mode) {
    for (const char* name : files)
        dir.Write(name, "o");
    ASSERT_EQ(::chmod(dir.File("data").c_str(), mode), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DataFileSafety,
    testing::Values(
        SafetyCase{"unreadable_file_is_never_replaced",
                   [](const TTempDir& d) { Prepare(d, {"data"}, 0); }, 0777, true,
                   "Cannot open file ", "Cannot create file ", "data=o "},
        SafetyCase{"read_only_file_is_not_replaced_even_by_root",
                   [](const TTempDir& d) { Prepare(d, {"data"}, 0444); }, 0777, false, "",
                   "Cannot create file ", "data=o "},
        SafetyCase{"link_stays_and_its_target_gets_the_data",
                   [](const TTempDir& d) {
                       std::filesystem::create_directory(d.File("real"));
                       d.Write("real/file", "old");
                       std::filesystem::create_symlink("real/file", d.File("data"));
                   },
                   0700, false, "", "", "data@ real/ real/file=new "},
        SafetyCase{"only_our_leftover_temporaries_are_removed",
                   [](const TTempDir& d) {
                       Prepare(d,
                               {"data", "data.lumisk-save-Ab12Cd", "x.lumisk-save-000000",
                                "data.lumisk-save-Ab12C", "data.tmp-Ab12Cd"},
                               0600);
                       std::filesystem::create_directory(d.File("d.lumisk-save-Ab12Cd"));
                   },
                   0700, false, "", "",
                   "d.lumisk-save-Ab12Cd/ data=new data.lumisk-save-Ab12C=o data.tmp-Ab12Cd=o "},
        SafetyCase{"read_only_folder_writes_a_writable_file_in_place",
                   [](const TTempDir& d) { Prepare(d, {"data"}, 0666); }, 0555, true, "", "",
                   "data=new "}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
