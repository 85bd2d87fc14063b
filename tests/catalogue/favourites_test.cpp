// Favourites without windows: their order and equality, the sorted list
// without duplicates, and the file read at start-up and written after every
// change.
#include "catalogue/favouritecompare.h"
#include "catalogue/favouritesfile.h"
#include "catalogue/favouriteslist.h"
#include "util/bytetext.h"
#include "util/lumiskerror.h"

#include "support/tempdir.h"

#include <QDir>
#include <gtest/gtest.h>

#include <optional>

using namespace lumisk;
using lumisk::test::TTempDir;

namespace {

template <typename T> std::string CaseName(const testing::TestParamInfo<T>& info) {
    return info.param.name;
}

int Sign(int n) {
    return (n > 0) - (n < 0);
}

} // namespace

// ---- Order and equality ---------------------------------------------------

struct CompareCase {
    std::string name;
    std::string a, b;
    int expected; // sign of CompareFavourites(a, b)
};

class FavouriteOrder : public testing::TestWithParam<CompareCase> {};

TEST_P(FavouriteOrder, ComparesBothWaysConsistently) {
    const auto& c = GetParam();
    EXPECT_EQ(Sign(CompareFavourites(c.a, c.b)), c.expected);
    EXPECT_EQ(Sign(CompareFavourites(c.b, c.a)), -c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FavouriteOrder,
    testing::Values(
        CompareCase{"letter_case_is_ignored", "Apple", "apple", 0},
        CompareCase{"upper_case_does_not_sort_first", "Zoo", "apple", 1},
        CompareCase{"apple_before_cherry", "apple", "cherry", -1},
        CompareCase{"Apple_before_cherry", "Apple", "cherry", -1},
        CompareCase{"beginning_sorts_first", "App", "Apple", -1},
        CompareCase{"empty_before_everything", "", " ", -1},
        CompareCase{"empty_equals_empty", "", "", 0},
        CompareCase{"blank_before_digit", "Cam 1", "Cam1", -1},
        CompareCase{"digit_before_letter", "9 Lives", "a cam", -1},
        CompareCase{"brace_before_digit", "{x}", "0x", -1},
        CompareCase{"underscore_before_letter", "_cam", "Acam", -1},
        CompareCase{"digits_by_value_of_each", "Cam 10", "Cam 9", -1},
        CompareCase{"accent_after_plain_letter", "cote", "cot\xC3\xA9", -1},
        CompareCase{"base_letters_before_accents", "c\xC3\xB4te", "cotf", -1},
        CompareCase{"accents_left_to_right", "cot\xC3\xA9", "c\xC3\xB4te", -1},
        CompareCase{"accent_differs_is_not_equal", "Cafe", "Caf\xC3\xA9", -1},
        CompareCase{"accented_case_is_ignored", "\xC3\x89T\xC3\x89", "\xC3\xA9t\xC3\xA9", 0},
        CompareCase{"windows_1252_equals_utf8", "Caf\xE9", "CAF\xC3\x89", 0},
        CompareCase{"decomposed_equals_composed", "Cafe\xCC\x81", "Caf\xC3\xA9", 0},
        CompareCase{"sharp_s_equals_ss",
                    "Stra\xC3\x9F"
                    "e",
                    "STRASSE", 0},
        CompareCase{"accented_before_next_letter", "\xC3\xA9t\xC3\xA9", "f", -1},
        CompareCase{"windows_1252_quote_is_punctuation", "\x93Quoted\x94", "Apple", -1}),
    CaseName<CompareCase>);

// ---- The sorted list without duplicates -------------------------------------

struct ListCase {
    std::string name;
    std::vector<std::string> adds;
    std::vector<bool> accepted;
    std::vector<std::string> expected;
};

class FavouriteList : public testing::TestWithParam<ListCase> {};

TEST_P(FavouriteList, KeepsSortedAndTheFirstOfEqualTexts) {
    const auto& c = GetParam();
    TFavouritesList list;
    std::vector<bool> accepted;
    for (const auto& text : c.adds)
        accepted.push_back(list.Add(text));
    EXPECT_EQ(accepted, c.accepted);
    EXPECT_EQ(list.Items(), c.expected);
    for (const auto& text : c.adds)
        EXPECT_TRUE(list.Contains(text)) << text;
    // Building from the texts at once is the same as adding them one by one.
    EXPECT_EQ(TFavouritesList(c.adds).Items(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FavouriteList,
    testing::Values(
        ListCase{"case_duplicate_refused",
                 {"cherry", "Apple", "apple"},
                 {true, true, false},
                 {"Apple", "cherry"}},
        ListCase{
            "first_spelling_stays", {"apple", "APPLE", "Apple"}, {true, false, false}, {"apple"}},
        ListCase{"inserted_at_sorted_place",
                 {"b", "d", "a", "c", "e"},
                 {true, true, true, true, true},
                 {"a", "b", "c", "d", "e"}},
        ListCase{"empty_text_is_a_favourite", {"x", "", ""}, {true, true, false}, {"", "x"}},
        ListCase{"bytes_kept_exactly",
                 {"Caf\xE9", "CAF\xC3\x89", "Cafe"},
                 {true, false, true},
                 {"Cafe", "Caf\xE9"}}),
    CaseName<ListCase>);

TEST(FavouriteListLookup, IndexOfFindsEqualTextsOnly) {
    TFavouritesList list({"Beach", "harbour", "Alps"});
    EXPECT_EQ(list.IndexOf("ALPS"), 0);
    EXPECT_EQ(list.IndexOf("beach"), 1);
    EXPECT_EQ(list.IndexOf("Harbour"), 2);
    EXPECT_EQ(list.IndexOf("Harbou"), -1);
    EXPECT_EQ(list.IndexOf("Zebra"), -1);
    EXPECT_EQ(list.IndexOf(""), -1);
}

// ---- The file -------------------------------------------------------------------

struct LoadCase {
    std::string name;
    std::optional<std::string> file; // none: no file
    std::vector<std::string> cameras;
    std::vector<std::string> expected;
};

class FavouritesLoad : public testing::TestWithParam<LoadCase> {};

TEST_P(FavouritesLoad, KeepsFavouritesThatNameACamera) {
    const auto& c = GetParam();
    TTempDir dir;
    if (c.file) dir.Write("favorites.dat", *c.file);
    auto namesCamera = [&](const std::string& text) {
        for (const auto& camera : c.cameras)
            if (SameTextIgnoreCase(camera, text)) return true;
        return false;
    };
    EXPECT_EQ(LoadFavouritesFile(dir.File("favorites.dat"), namesCamera), c.expected);
    // Loading never writes the file.
    EXPECT_EQ(dir.Exists("favorites.dat"), c.file.has_value());
    if (c.file) {
        EXPECT_EQ(dir.Read("favorites.dat"), *c.file);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FavouritesLoad,
    testing::Values(
        LoadCase{"duplicates_and_unknown_dropped",
                 "cherry\r\nApple\r\napple\r\nNo such camera\r\n",
                 {"Apple", "cherry"},
                 {"Apple", "cherry"}},
        LoadCase{"first_of_equal_lines_kept", "apple\r\nApple\r\n", {"Apple"}, {"apple"}},
        LoadCase{"missing_file_is_empty", std::nullopt, {"Apple"}, {}},
        LoadCase{"empty_file_is_empty", "", {"Apple"}, {}},
        LoadCase{"camera_matched_ignoring_case", "APPLE\r\n", {"apple"}, {"APPLE"}},
        LoadCase{"every_line_end_kind", "c\rb\na\r\n", {"a", "b", "c"}, {"a", "b", "c"}},
        LoadCase{"last_line_without_end", "b\r\na", {"a", "b"}, {"a", "b"}},
        LoadCase{"nul_ends_the_text", std::string("a\r\nb\0c\r\n", 8), {"a", "b", "c"}, {"a", "b"}},
        LoadCase{"empty_line_names_no_camera", "\r\na\r\n", {"a"}, {"a"}},
        LoadCase{"empty_line_names_empty_camera", "\r\na\r\n", {"a", ""}, {"", "a"}},
        LoadCase{"windows_1252_bytes_kept", "Caf\xE9\r\n", {"CAF\xC3\x89"}, {"Caf\xE9"}},
        LoadCase{"no_cameras_drops_everything", "a\r\nb\r\n", {}, {}}),
    CaseName<LoadCase>);

struct SaveCase {
    std::string name;
    std::vector<std::string> favourites;
    std::string bytes;
};

class FavouritesSave : public testing::TestWithParam<SaveCase> {};

TEST_P(FavouritesSave, WritesEveryLineWithCrLf) {
    const auto& c = GetParam();
    TTempDir dir;
    dir.Write("favorites.dat", "old contents that are longer than the new ones\r\n");
    SaveFavouritesFile(dir.File("favorites.dat"), c.favourites);
    EXPECT_EQ(dir.Read("favorites.dat"), c.bytes);
    auto any = [](const std::string&) { return true; };
    EXPECT_EQ(LoadFavouritesFile(dir.File("favorites.dat"), any),
              TFavouritesList(c.favourites).Items());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FavouritesSave,
    testing::Values(
        SaveCase{"empty_list_is_empty_file", {}, ""},
        SaveCase{"last_line_ends_too", {"Apple", "cherry"}, "Apple\r\ncherry\r\n"},
        SaveCase{"empty_favourite_is_empty_line", {"", "a"}, "\r\na\r\n"},
        SaveCase{"bytes_unchanged", {"Caf\xE9", "T\xC3\xB6rn"}, "Caf\xE9\r\nT\xC3\xB6rn\r\n"}),
    CaseName<SaveCase>);

TEST(FavouritesSaveFailure, NamesTheFileAndKeepsTheOldOne) {
    TTempDir dir;
    // A directory where the file should go: the replacing rename must fail.
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(dir.File("favorites.dat"))));
    dir.Write("favorites.dat/keep", "x");
    const std::string path = dir.File("favorites.dat");
    try {
        SaveFavouritesFile(path, {"Apple"});
        FAIL() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Cannot create file " + path);
    }
    EXPECT_EQ(dir.Read("favorites.dat/keep"), "x");
}

// ---- Lookup text of a menu caption ------------------------------------------------

struct LookupCase {
    std::string name;
    std::string caption, expected;
};

class FavouriteLookup : public testing::TestWithParam<LookupCase> {};

TEST_P(FavouriteLookup, RemovesEveryAmpersand) {
    EXPECT_EQ(FavouriteLookupText(GetParam().caption), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, FavouriteLookup,
                         testing::Values(LookupCase{"plain_text_unchanged", "Harbour", "Harbour"},
                                         LookupCase{"one_ampersand", "Tom & Jerry", "Tom  Jerry"},
                                         LookupCase{"accelerator_marks", "&&B&ay&", "Bay"},
                                         LookupCase{"only_ampersands", "&&&", ""},
                                         LookupCase{"high_bytes_kept", "Caf\xE9&", "Caf\xE9"}),
                         CaseName<LookupCase>);
