// Two programs on one data folder: what a save keeps when another program
// changed the catalogue, the counters or the favourites meanwhile, and the
// catalogue changes the commands make.
#include "catalogue/catalogueedit.h"
#include "catalogue/cataloguemerge.h"
#include "catalogue/favouritesfile.h"
#include "catalogue/settingsfile.h"

#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <limits>

using namespace lumisk;
using lumisk::test::TTempDir;

namespace {

// "Description/date" or "Description/date/address".
TCatalogue Cat(const std::vector<std::string>& cameras, int current = 1) {
    TCatalogue cat;
    for (const std::string& spec : cameras) {
        const std::size_t a = spec.find('/');
        const std::size_t b = spec.find('/', a + 1);
        cat.Append();
        cat.CurrentRecord().SetFields(spec.substr(0, a),
                                      b == std::string::npos ? "http://x/" : spec.substr(b + 1), "",
                                      "5", spec.substr(a + 1, b - a - 1));
    }
    cat.Current = cameras.empty() ? 0 : current;
    return cat;
}

struct MergeCase {
    const char* name;
    std::vector<std::string> base, mine;
    int current;
    std::vector<std::string> disk, merged;
    int mergedCurrent;
};

class CatalogueMerge : public testing::TestWithParam<MergeCase> {};

TEST_P(CatalogueMerge, KeepsBothProgramsChanges) {
    const auto& c = GetParam();
    const TCatalogueMerge m = MergeCatalogue(Cat(c.base), Cat(c.mine, c.current), Cat(c.disk));
    const TCatalogue want = Cat(c.merged);
    ASSERT_EQ(m.Records.size(), want.Records.size());
    for (std::size_t i = 1; i < want.Records.size(); ++i)
        EXPECT_TRUE(SameFields(m.Records[i], want.Records[i])) << "camera " << i;
    EXPECT_EQ(m.Current, c.mergedCurrent);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CatalogueMerge,
    testing::Values(
        MergeCase{"date_changed_on_disk_kept_for_unedited_camera",
                  {"A/1", "B/1"},
                  {"A/1", "B/1"},
                  1,
                  {"A/1", "B/2"},
                  {"A/1", "B/2"},
                  1},
        MergeCase{"edited_camera_keeps_window_fields",
                  {"A/1"},
                  {"A/1/http://new/"},
                  1,
                  {"A/2"},
                  {"A/1/http://new/"},
                  1},
        MergeCase{
            "window_download_date_wins_for_its_camera", {"A/1"}, {"A/3"}, 1, {"A/2"}, {"A/3"}, 1},
        MergeCase{"camera_added_on_disk_appended",
                  {"A/1", "C/1"},
                  {"C/1", "A/1"},
                  2,
                  {"A/1", "C/1", "B/5"},
                  {"C/1", "A/1", "B/5"},
                  2},
        MergeCase{"same_camera_added_on_both_sides_once",
                  {"A/1"},
                  {"A/1", "B/5"},
                  1,
                  {"A/1", "B/5"},
                  {"A/1", "B/5"},
                  1},
        MergeCase{"deleted_in_window_stays_deleted",
                  {"A/1", "B/1"},
                  {"A/1"},
                  1,
                  {"A/1", "B/2"},
                  {"A/1"},
                  1},
        MergeCase{"removed_on_disk_and_untouched_goes",
                  {"A/1", "B/1", "C/1"},
                  {"A/1", "B/1", "C/1"},
                  3,
                  {"A/1", "C/1"},
                  {"A/1", "C/1"},
                  2},
        MergeCase{"removed_on_disk_but_shown_stays",
                  {"A/1", "B/1"},
                  {"A/1", "B/1"},
                  2,
                  {"A/1"},
                  {"A/1", "B/1"},
                  2},
        MergeCase{"removed_on_disk_but_edited_stays",
                  {"A/1", "B/1"},
                  {"A/1", "B/1/http://new/"},
                  1,
                  {"A/1"},
                  {"A/1", "B/1/http://new/"},
                  1},
        MergeCase{
            "renamed_in_window_while_dated_on_disk", {"A/1"}, {"Z/1"}, 1, {"A/2"}, {"Z/1"}, 1},
        MergeCase{"equal_descriptions_paired_in_order",
                  {"A/1", "A/1"},
                  {"A/1", "A/1"},
                  1,
                  {"A/1", "A/2"},
                  {"A/1", "A/2"},
                  1}),
    [](const auto& info) { return std::string(info.param.name); });

struct CounterCase {
    const char* name;
    std::optional<TTotalCounters> atLoad; // none: never read
    std::string fileNow;
    TTotalCounters mine, written;
};

class CounterSave : public testing::TestWithParam<CounterCase> {};

TEST_P(CounterSave, AddsWhatThisProcessCounted) {
    const auto& c = GetParam();
    TTempDir dir;
    dir.Write("orvane.ini", c.fileNow);
    TSettingsValues values;
    values.TotalBytes = c.mine.TotalBytes;
    values.TotalImages = c.mine.TotalImages;
    std::optional<TTotalCounters> onDisk = c.atLoad;
    SaveSettingsMerging(dir.File("orvane.ini"), values, onDisk);
    const auto read = ReadSettingsFile(dir.File("orvane.ini"), {}, "v").Values;
    EXPECT_EQ((TTotalCounters{read.TotalBytes, read.TotalImages}), c.written);
    EXPECT_EQ((TTotalCounters{values.TotalBytes, values.TotalImages}), c.written);
    EXPECT_EQ(onDisk, c.written);
}

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

INSTANTIATE_TEST_SUITE_P(
    Cases, CounterSave,
    testing::Values(CounterCase{"alone",
                                TTotalCounters{100, 2},
                                "[Settings]\r\nTotal Bytes=100\r\nTotal Images=2\r\n",
                                {150, 3},
                                {150, 3}},
                    CounterCase{"command_counted_meanwhile",
                                TTotalCounters{100, 2},
                                "[Settings]\r\nTotal Bytes=400\r\nTotal Images=5\r\n",
                                {150, 3},
                                {450, 6}},
                    CounterCase{"sum_stays_at_the_limit",
                                TTotalCounters{100, 2},
                                "[Settings]\r\nTotal Bytes=2147483640\r\nTotal Images=5\r\n",
                                {150, 3},
                                {kMax, 6}},
                    CounterCase{"never_read_writes_its_own",
                                std::nullopt,
                                "[Settings]\r\nTotal Bytes=400\r\nTotal Images=5\r\n",
                                {150, 3},
                                {150, 3}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommandCounters, AddToTheFileAndTouchNothingElse) {
    TTempDir dir;
    dir.Write("orvane.ini",
              "; mine\r\n[Settings]\r\nTotal Bytes=0x10\r\nTimeout=7\r\n[Proxy]\r\nPort=1\r\n");
    EXPECT_EQ(AddStatisticsToSettingsFile(dir.File("orvane.ini"), 4, 2), (TTotalCounters{20, 2}));
    EXPECT_EQ(dir.Read("orvane.ini"), "; mine\r\n[Settings]\r\nTotal Bytes=20\r\nTimeout=7\r\n"
                                      "Total Images=2\r\n[Proxy]\r\nPort=1\r\n");
}

struct FavouritesCase {
    const char* name;
    std::vector<std::string> base, mine, disk, merged;
};

class FavouritesMerge : public testing::TestWithParam<FavouritesCase> {};

TEST_P(FavouritesMerge, AppliesThisProcessChangesToTheFile) {
    const auto& c = GetParam();
    EXPECT_EQ(MergeFavourites(c.base, c.mine, c.disk), c.merged);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FavouritesMerge,
    testing::Values(
        FavouritesCase{"added_on_both_sides_kept", {"A"}, {"A", "B"}, {"A", "C"}, {"A", "B", "C"}},
        FavouritesCase{
            "deleted_here_while_added_there", {"A", "B"}, {"A"}, {"A", "B", "C"}, {"A", "C"}},
        FavouritesCase{"deleted_there_stays_deleted", {"A", "B"}, {"A", "B"}, {"A"}, {"A"}},
        FavouritesCase{
            "dropped_at_load_counts_as_deleted", {"A", "Gone"}, {"A"}, {"A", "Gone"}, {"A"}},
        FavouritesCase{"same_favourite_added_twice_once", {}, {"apple"}, {"Apple"}, {"Apple"}}),
    [](const auto& info) { return std::string(info.param.name); });

// The commands' catalogue changes, each on a file with cameras A, B, A.
struct EditCase {
    const char* name;
    std::function<void(const std::string& path)> edit;
    std::string after; // descriptions and dates, "" for an unchanged file
};

const std::string kCameras = "A\r\nhttp://a/\r\n\r\n5\r\nd1\r\nB\r\nhttp://b/\r\n\r\n5\r\nd1\r\n"
                             "A\r\nhttp://a2/\r\n\r\n5\r\nd1\r\n";

std::string Summary(const std::string& path) {
    TCatalogue cat;
    LoadCatalogueFile(path, cat);
    std::string out;
    for (int i = 1; i <= cat.Count; ++i)
        out += cat.Records[i].Description + "=" + cat.Records[i].LastModified + " ";
    return out;
}

class CommandEdit : public testing::TestWithParam<EditCase> {};

TEST_P(CommandEdit, ChangesOnlyWhatItNames) {
    const auto& c = GetParam();
    TTempDir dir;
    dir.Write("orvane.dat", kCameras);
    c.edit(dir.File("orvane.dat"));
    if (c.after.empty())
        EXPECT_EQ(dir.Read("orvane.dat"), kCameras);
    else
        EXPECT_EQ(Summary(dir.File("orvane.dat")), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandEdit,
    testing::Values(EditCase{"dates_by_description_and_occurrence",
                             [](const std::string& p) {
                                 const auto gone = StoreCameraDates(
                                     p, {{"A", "d2\r\n", 1}, {"B", "d3", 0}, {"Gone", "d4", 0}});
                                 ASSERT_EQ(gone.size(), 1u);
                                 EXPECT_EQ(gone[0].Description, "Gone");
                             },
                             "A=d1 B=d3 A=d2 "},
                    EditCase{"add_appends",
                             [](const std::string& p) {
                                 EXPECT_EQ(AddCameraToFile(p, Cat({"C/d9"}).Records[1]),
                                           TAddCamera::Added);
                             },
                             "A=d1 B=d1 A=d1 C=d9 "},
                    EditCase{"add_refuses_a_description_differing_in_case",
                             [](const std::string& p) {
                                 EXPECT_EQ(AddCameraToFile(p, Cat({"b/d9"}).Records[1]),
                                           TAddCamera::DescriptionTaken);
                             },
                             ""},
                    EditCase{"remove_exact",
                             [](const std::string& p) {
                                 EXPECT_EQ(RemoveCameraFromFile(p, "B"), TRemoveCamera::Removed);
                             },
                             "A=d1 A=d1 "},
                    EditCase{"remove_ambiguous_removes_nothing",
                             [](const std::string& p) {
                                 EXPECT_EQ(RemoveCameraFromFile(p, "A"), TRemoveCamera::Ambiguous);
                             },
                             ""},
                    EditCase{"remove_is_case_exact",
                             [](const std::string& p) {
                                 EXPECT_EQ(RemoveCameraFromFile(p, "b"), TRemoveCamera::NotFound);
                             },
                             ""}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
