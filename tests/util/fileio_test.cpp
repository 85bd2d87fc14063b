// Whole-file reading and writing: line ends of every kind, and a failed
// rewrite that must leave the old file and no temporary behind.
#include "support/tempdir.h"
#include "util/fileio.h"
#include "util/lumiskerror.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

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

} // namespace
