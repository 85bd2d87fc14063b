// File routines: numbered names, the listing order of trees, comparison of
// files block by block, and sizes that keep the 32-bit width of single files.
#include "support/tempdir.h"
#include "util/events.h"
#include "util/fileutils.h"
#include "util/lumiskerror.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace lumisk;
using lumisk::test::TTempDir;

namespace {

template <typename T> std::string CaseName(const testing::TestParamInfo<T>& info) {
    return info.param.name;
}

std::vector<std::string> WithoutRoot(const std::string& root, std::vector<std::string> paths) {
    for (auto& p : paths) {
        if (p.compare(0, root.size(), root) == 0) p.erase(0, root.size());
    }
    return paths;
}

int OpenDescriptors() {
    int n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd"))
        ++n;
    return n;
}

// ---------------------------------------------------------------- numbering

struct NumberingCase {
    const char* name;
    std::vector<std::string> files;
    std::string prefix;
    std::string extension;
    std::string expected; // name within the directory, or the error text
    bool throws = false;
};

class Numbering : public testing::TestWithParam<NumberingCase> {};

TEST_P(Numbering, NextNameFollowsTheHighestMatchingName) {
    const auto& c = GetParam();
    TTempDir dir;
    for (const auto& f : c.files)
        dir.Write(f, "x");
    if (c.throws) {
        try {
            NextNumberedFileName(dir.Path(), c.prefix, c.extension);
            FAIL() << "no error";
        } catch (const ELumiskError& e) {
            std::string expected = c.expected;
            if (const auto at = expected.find("{dir}"); at != std::string::npos)
                expected.replace(at, 5, dir.Path());
            EXPECT_EQ(e.Message(), expected);
        }
    } else {
        EXPECT_EQ(NextNumberedFileName(dir.Path(), c.prefix, c.extension), dir.File(c.expected));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Numbering,
    testing::Values(
        NumberingCase{"empty_directory_starts_at_zero", {}, "FRA", "BMP", "FRA00000.BMP"},
        NumberingCase{"one_above_highest",
                      {"FRA00000.BMP", "FRA00007.BMP", "FRA00003.BMP"},
                      "FRA",
                      "BMP",
                      "FRA00008.BMP"},
        NumberingCase{
            "prefix_case_counts", {"fra00009.bmp", "FRA00001.BMP"}, "FRA", "BMP", "FRA00002.BMP"},
        NumberingCase{"extension_case_ignored",
                      {"FRA00009.bmp", "FRA00001.BMP"},
                      "FRA",
                      "BMP",
                      "FRA00010.BMP"},
        NumberingCase{
            "wrong_length_ignored", {"FRA0001.BMP", "FRA000001.BMP"}, "FRA", "BMP", "FRA00000.BMP"},
        NumberingCase{"other_extension_ignored", {"FRA00005.JPG"}, "FRA", "BMP", "FRA00000.BMP"},
        NumberingCase{"extension_needs_its_point", {"FRA00005xBMP"}, "FRA", "BMP", "FRA00000.BMP"},
        NumberingCase{"other_prefix_ignored", {"ABC00050.BMP"}, "FRA", "BMP", "FRA00000.BMP"},
        NumberingCase{"three_letter_extension_of_any_length",
                      {"IMG00041.jpeg"},
                      "IMG",
                      "jpeg",
                      "IMG00042.jpeg"},
        // A sixth digit would make a name no later call counts: the same file
        // would be written over each time.
        NumberingCase{"past_99999_refused",
                      {"FRA99999.BMP"},
                      "FRA",
                      "BMP",
                      "No numbered name is left: {dir}FRA99999.BMP is the last one",
                      true},
        NumberingCase{"six_digit_name_written_before_not_reused",
                      {"LMK99999.BMP", "LMK100000.BMP"},
                      "LMK",
                      "BMP",
                      "No numbered name is left: {dir}LMK99999.BMP is the last one",
                      true},
        NumberingCase{"letters_in_number_raise",
                      {"FRA0001x.BMP"},
                      "FRA",
                      "BMP",
                      "'0001x' is not a valid integer value",
                      true},
        // Byte order would pick "FRA0000a.BMP"; ignoring case "B" comes after "a".
        NumberingCase{"highest_chosen_ignoring_case",
                      {"FRA0000a.BMP", "FRA0000B.BMP"},
                      "FRA",
                      "BMP",
                      "'0000B' is not a valid integer value",
                      true}),
    CaseName<NumberingCase>);

TEST(Numbering, MissingDirectoryStartsAtZero) {
    TTempDir dir;
    const std::string missing = dir.File("nowhere/");
    EXPECT_EQ(NextNumberedFileName(missing, "FRA", "BMP"), missing + "FRA00000.BMP");
}

// ------------------------------------------------------------------ listing

// root: a.txt b.txt .hid sub/{x.dat .h2 deep/{z.dat}} .hsub/{y.dat}
class TTree {
  public:
    TTree() {
        for (const char* d : {"root", "root/sub", "root/sub/deep", "root/.hsub"})
            std::filesystem::create_directory(dir_.File(d));
        for (const char* f : {"root/b.txt", "root/a.txt", "root/.hid", "root/sub/x.dat",
                              "root/sub/.h2", "root/sub/deep/z.dat", "root/.hsub/y.dat"})
            dir_.Write(f, f);
    }
    std::string Root() const { return dir_.File("root/"); }
    std::string File(const std::string& name) const { return dir_.File(name); }

  private:
    TTempDir dir_;
};

struct ListingCase {
    const char* name;
    std::function<void(const std::string& root, std::vector<std::string>& list)> list;
    std::vector<std::string> expected; // relative to the root
};

class Listing : public testing::TestWithParam<ListingCase> {};

TEST_P(Listing, SelectsByAttributesAndAppends) {
    TTree tree;
    std::vector<std::string> list{tree.Root() + "kept"};
    GetParam().list(tree.Root(), list);
    std::vector<std::string> expected{"kept"};
    expected.insert(expected.end(), GetParam().expected.begin(), GetParam().expected.end());
    EXPECT_EQ(WithoutRoot(tree.Root(), list), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Listing,
    testing::Values(ListingCase{"ordinary_files_only",
                                [](auto& r, auto& l) { ListFiles(r, {}, l); },
                                {"a.txt", "b.txt"}},
                    ListingCase{"hidden_files_only",
                                [](auto& r, auto& l) { ListFiles(r, {.Hidden = true}, l); },
                                {".hid"}},
                    ListingCase{
                        "visible_subdirectories_end_with_separator",
                        [](auto& r, auto& l) { ListSubdirectories(r, {.Directory = true}, l); },
                        {"sub/"}},
                    ListingCase{"hidden_subdirectories",
                                [](auto& r, auto& l) {
                                    ListSubdirectories(r, {.Directory = true, .Hidden = true}, l);
                                },
                                {".hsub/"}},
                    ListingCase{"missing_directory_has_no_entries",
                                [](auto& r, auto& l) { ListFiles(r + "missing/", {}, l); },
                                {}}),
    CaseName<ListingCase>);

TEST(ListingTree, BreadthFirstHiddenFilesBeforeOrdinaryOnes) {
    TTree tree;
    std::vector<std::string> list{"stale"};
    ListFilesRecursive(tree.Root(), list);
    // Directories: root, its visible then hidden subdirectories, then the
    // next level; a depth-first walk would put deep/ before .hsub/.
    EXPECT_EQ(WithoutRoot(tree.Root(), list),
              (std::vector<std::string>{".hid", "a.txt", "b.txt", "sub/.h2", "sub/x.dat",
                                        ".hsub/y.dat", "sub/deep/z.dat"}));
}

TEST(ListingTree, MissingRootGivesAnEmptyListAndNoSize) {
    TTempDir dir;
    std::vector<std::string> list{"stale"};
    ListFilesRecursive(dir.File("missing/"), list);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(DirectoryTreeSize(dir.File("missing/")), 0);
}

TEST(ListingTree, LinksCountAsTheirTargetsAndCyclesEnd) {
    TTree tree;
    namespace fs = std::filesystem;
    fs::create_symlink(tree.File("root/a.txt"), tree.File("root/sub/alink"));
    fs::create_symlink(tree.File("root"), tree.File("root/sub/up")); // cycle
    fs::create_symlink(tree.File("root/gone"), tree.File("root/sub/dangling"));
    ASSERT_EQ(::mkfifo(tree.File("root/pipe").c_str(), 0600), 0);

    std::vector<std::string> subdirs;
    ListSubdirectories(tree.Root() + "sub/", {.Directory = true}, subdirs);
    EXPECT_EQ(WithoutRoot(tree.Root(), subdirs),
              (std::vector<std::string>{"sub/deep/", "sub/up/"}));

    std::vector<std::string> list;
    ListFilesRecursive(tree.Root(), list);
    EXPECT_EQ(WithoutRoot(tree.Root(), list),
              (std::vector<std::string>{".hid", "a.txt", "b.txt", "sub/.h2", "sub/alink",
                                        "sub/x.dat", ".hsub/y.dat", "sub/deep/z.dat"}));
}

// --------------------------------------------------------------- comparison

constexpr std::size_t kBlock = 64 * 1024;

std::string Pattern(std::size_t size) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        s[i] = static_cast<char>((i * 131 + 7) % 251);
    return s;
}

std::string Flipped(std::string s, std::size_t at) {
    s[at] = static_cast<char>(s[at] ^ 0x5A);
    return s;
}

struct CompareCase {
    const char* name;
    std::string a;
    std::string b;
    bool identical;
};

class Comparing : public testing::TestWithParam<CompareCase> {};

TEST_P(Comparing, SameSizeAndSameBytes) {
    const auto& c = GetParam();
    TTempDir dir;
    dir.Write("a", c.a);
    dir.Write("b", c.b);
    EXPECT_EQ(FilesIdentical(dir.File("a"), dir.File("b")), c.identical);
    EXPECT_EQ(FilesIdentical(dir.File("b"), dir.File("a")), c.identical);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Comparing,
    testing::Values(CompareCase{"empty_files", "", "", true},
                    CompareCase{"longer_file_with_same_start", "abc", "abcd", false},
                    CompareCase{"first_byte_differs", "xbc", "abc", false},
                    CompareCase{"same_several_blocks", Pattern(3 * kBlock + 17),
                                Pattern(3 * kBlock + 17), true},
                    CompareCase{"exactly_one_block", Pattern(kBlock), Pattern(kBlock), true},
                    CompareCase{"last_byte_of_first_block", Pattern(kBlock + 1),
                                Flipped(Pattern(kBlock + 1), kBlock - 1), false},
                    CompareCase{"first_byte_of_second_block", Pattern(kBlock + 1),
                                Flipped(Pattern(kBlock + 1), kBlock), false},
                    CompareCase{"last_byte_of_tail", Pattern(3 * kBlock + 17),
                                Flipped(Pattern(3 * kBlock + 17), 3 * kBlock + 16), false}),
    CaseName<CompareCase>);

TEST(Comparing, FileWithItselfIsIdentical) {
    TTempDir dir;
    dir.Write("a", Pattern(1000));
    EXPECT_TRUE(FilesIdentical(dir.File("a"), dir.File("a")));
}

TEST(Comparing, YieldsBetweenBlocksNotBetweenBytes) {
    TTempDir dir;
    dir.Write("a", Pattern(4 * kBlock + 5));
    dir.Write("b", Pattern(4 * kBlock + 5));
    int yields = 0;
    SetPendingEventsHook([&] { ++yields; });
    const bool same = FilesIdentical(dir.File("a"), dir.File("b"));
    SetPendingEventsHook(nullptr);
    EXPECT_TRUE(same);
    EXPECT_GE(yields, 3);
    EXPECT_LE(yields, 10);
}

struct OpenFailureCase {
    const char* name;
    const char* a;
    const char* b;
    const char* named; // the path the message names
};

class OpenFailure : public testing::TestWithParam<OpenFailureCase> {};

TEST_P(OpenFailure, NamesThePathAndLeavesNothingOpen) {
    const auto& c = GetParam();
    TTempDir dir;
    dir.Write("file", "abc");
    std::filesystem::create_directory(dir.File("folder"));
    const int before = OpenDescriptors();
    try {
        FilesIdentical(dir.File(c.a), dir.File(c.b));
        FAIL() << "no error";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file " + dir.File(c.named));
    }
    EXPECT_EQ(OpenDescriptors(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpenFailure,
    testing::Values(OpenFailureCase{"first_missing", "missing", "file", "missing"},
                    OpenFailureCase{"second_missing", "file", "missing", "missing"},
                    OpenFailureCase{"directory_is_not_a_file", "file", "folder", "folder"}),
    CaseName<OpenFailureCase>);

// -------------------------------------------------------------------- sizes

TEST(Sizes, SingleFileSizes) {
    TTempDir dir;
    dir.Write("five", "12345");
    dir.Write("empty", "");
    std::filesystem::create_directory(dir.File("folder"));
    std::filesystem::create_symlink(dir.File("five"), dir.File("link"));
    EXPECT_EQ(FileSizeOf(dir.File("five")), 5);
    EXPECT_EQ(FileSizeOf(dir.File("empty")), 0);
    EXPECT_EQ(FileSizeOf(dir.File("missing")), 0);
    EXPECT_EQ(FileSizeOf(dir.File("folder")), 0);
    EXPECT_EQ(FileSizeOf(dir.File("link")), 5);
}

TEST(Sizes, LargeFilesKeepTheLow32BitsSigned) {
    TTempDir dir;
    dir.Write("big", "");
    dir.Write("huge", "");
    // Sparse files: no disk space is used.
    ASSERT_EQ(::truncate(dir.File("big").c_str(), 3LL << 30), 0);
    ASSERT_EQ(::truncate(dir.File("huge").c_str(), (4LL << 30) + 7), 0);
    EXPECT_EQ(FileSizeOf(dir.File("big")), -(1 << 30));
    EXPECT_EQ(FileSizeOf(dir.File("huge")), 7);
    EXPECT_EQ(DirectoryTreeSize(dir.Path()), -(1LL << 30) + 7);
}

TEST(Sizes, TreeSizeAddsEveryFileIncludingHiddenOnes) {
    TTree tree;
    std::int64_t expected = 0;
    for (const char* f : {"root/b.txt", "root/a.txt", "root/.hid", "root/sub/x.dat", "root/sub/.h2",
                          "root/sub/deep/z.dat", "root/.hsub/y.dat"})
        expected += static_cast<std::int64_t>(std::string(f).size());
    EXPECT_EQ(DirectoryTreeSize(tree.Root()), expected);
}

TEST(Sizes, DirectoryPresentOnlyForDirectories) {
    TTempDir dir;
    dir.Write("file", "x");
    EXPECT_TRUE(DirectoryPresent(dir.Path()));
    EXPECT_TRUE(DirectoryPresent(dir.File("")));
    EXPECT_FALSE(DirectoryPresent(dir.File("file")));
    EXPECT_FALSE(DirectoryPresent(dir.File("missing")));
    EXPECT_FALSE(DirectoryPresent(""));
}

} // namespace
