// Two programs on one data folder: what a save keeps when another program
// changed the catalogue, the counters or the favourites meanwhile, and the
// catalogue changes the commands make.
#include "catalogue/catalogueedit.h"
#include "catalogue/cataloguemerge.h"
#include "catalogue/favouritesfile.h"
#include "catalogue/settingsfile.h"

#include "support/tempdir.h"

#include <QString>
#include <gtest/gtest.h>

using namespace lumisk;
using lumisk::test::TTempDir;

namespace {

std::vector<std::string> Words(const char* text) {
    std::vector<std::string> words;
    for (const QString& w : QString(text).split(' ', Qt::SkipEmptyParts))
        words.push_back(w.toStdString());
    return words;
}

// Cameras as "Description/date" or "Description/date/address", by spaces.
TCatalogue Cat(const char* cameras, int current = 1) {
    TCatalogue cat;
    for (const std::string& camera : Words(cameras)) {
        const std::size_t a = camera.find('/'), b = camera.find('/', a + 1);
        cat.Append();
        cat.CurrentRecord().SetFields(camera.substr(0, a),
                                      b == std::string::npos ? "http://x/" : camera.substr(b + 1),
                                      "", "5", camera.substr(a + 1, b - a - 1));
    }
    cat.Current = cat.Count ? current : 0;
    return cat;
}

struct MergeCase {
    const char *name, *base, *mine;
    int current;
    const char *disk, *merged;
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

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, CatalogueMerge, testing::Values(
    MergeCase{"date_changed_on_disk_kept_for_unedited_camera", "A/1 B/1", "A/1 B/1", 1, "A/1 B/2", "A/1 B/2", 1},
    MergeCase{"edited_camera_keeps_window_fields", "A/1", "A/1/http://new/", 1, "A/2", "A/1/http://new/", 1},
    MergeCase{"window_download_date_wins_for_its_camera", "A/1", "A/3", 1, "A/2", "A/3", 1},
    MergeCase{"camera_added_on_disk_appended", "A/1 C/1", "C/1 A/1", 2, "A/1 C/1 B/5", "C/1 A/1 B/5", 2},
    MergeCase{"same_camera_added_on_both_sides_once", "A/1", "A/1 B/5", 1, "A/1 B/5", "A/1 B/5", 1},
    MergeCase{"deleted_in_window_stays_deleted", "A/1 B/1", "A/1", 1, "A/1 B/2", "A/1", 1},
    MergeCase{"removed_on_disk_and_untouched_goes", "A/1 B/1 C/1", "A/1 B/1 C/1", 3, "A/1 C/1", "A/1 C/1", 2},
    MergeCase{"removed_on_disk_but_shown_stays", "A/1 B/1", "A/1 B/1", 2, "A/1", "A/1 B/1", 2},
    MergeCase{"removed_on_disk_but_edited_stays", "A/1 B/1", "A/1 B/1/http://new/", 1, "A/1", "A/1 B/1/http://new/", 1},
    MergeCase{"renamed_in_window_while_dated_on_disk", "A/1", "Z/1", 1, "A/2", "Z/1", 1},
    MergeCase{"equal_descriptions_paired_in_order", "A/1 A/1", "A/1 A/1", 1, "A/1 A/2", "A/1 A/2", 1}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

struct CounterCase {
    const char* name;
    std::optional<TTotalCounters> atLoad; // none: never read
    TTotalCounters inFile, mine, written;
};

class CounterSave : public testing::TestWithParam<CounterCase> {};

TEST_P(CounterSave, AddsWhatThisProcessCounted) {
    const auto& c = GetParam();
    TTempDir dir;
    dir.Write("orvane.ini", "[Settings]\r\nTotal Bytes=" + std::to_string(c.inFile.TotalBytes) +
                                "\r\nTotal Images=" + std::to_string(c.inFile.TotalImages) +
                                "\r\n");
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

INSTANTIATE_TEST_SUITE_P(
    Cases, CounterSave,
    testing::Values(
        CounterCase{
            "command_counted_meanwhile", TTotalCounters{100, 2}, {400, 5}, {150, 3}, {450, 6}},
        CounterCase{"sum_stays_at_the_limit",
                    TTotalCounters{100, 2},
                    {2147483640, 5},
                    {150, 3},
                    {2147483647, 6}},
        CounterCase{"never_read_writes_its_own", std::nullopt, {400, 5}, {150, 3}, {150, 3}}),
    [](const auto& info) { return std::string(info.param.name); });

struct FavouritesCase {
    const char *name, *base, *mine, *disk, *merged;
};

class FavouritesMerge : public testing::TestWithParam<FavouritesCase> {};

TEST_P(FavouritesMerge, AppliesThisProcessChangesToTheFile) {
    const auto& c = GetParam();
    EXPECT_EQ(MergeFavourites(Words(c.base), Words(c.mine), Words(c.disk)), Words(c.merged));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FavouritesMerge,
    testing::Values(
        FavouritesCase{"added_on_both_sides_kept", "A", "A B", "A C", "A B C"},
        FavouritesCase{"deleted_here_while_added_there", "A B", "A", "A B C", "A C"},
        FavouritesCase{"deleted_there_stays_deleted", "A B", "A B", "A", "A"},
        FavouritesCase{"dropped_at_load_counts_as_deleted", "A Gone", "A", "A Gone", "A"},
        FavouritesCase{"same_favourite_added_twice_once", "", "apple", "Apple", "Apple"}),
    [](const auto& info) { return std::string(info.param.name); });

// The commands' changes to a file holding the cameras A, B, A (date d1).
struct EditCase {
    const char* name;
    std::function<void(const std::string& path)> edit;
    const char* after; // descriptions and dates; "" for a file left as it was
};

class CommandEdit : public testing::TestWithParam<EditCase> {};

TEST_P(CommandEdit, ChangesOnlyWhatItNames) {
    const auto& c = GetParam();
    TTempDir dir;
    const std::string cameras = CatalogueFileText(Cat("A/d1 B/d1 A/d1/http://a2/"));
    dir.Write("orvane.dat", cameras);
    c.edit(dir.File("orvane.dat"));
    TCatalogue after;
    LoadCatalogueFile(dir.File("orvane.dat"), after);
    if (*c.after == 0)
        EXPECT_EQ(dir.Read("orvane.dat"), cameras);
    else
        EXPECT_EQ(CatalogueFileText(after), CatalogueFileText(Cat(c.after)));
}

using P = const std::string&;
// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, CommandEdit, testing::Values(
    EditCase{"dates_by_description_and_occurrence", [](P p) {
        const auto gone = StoreCameraDates(p, {{"A", "d2\r\n", 1}, {"B", "d3", 0}, {"Gone", "d4", 0}});
        ASSERT_EQ(gone.size(), 1u);
        EXPECT_EQ(gone[0].Description, "Gone"); }, "A/d1 B/d3 A/d2/http://a2/"},
    EditCase{"add_refuses_a_description_differing_in_case",
             [](P p) { EXPECT_EQ(AddCameraToFile(p, Cat("b/d9").Records[1]), TAddCamera::DescriptionTaken); }, ""},
    EditCase{"remove_exact", [](P p) { EXPECT_EQ(RemoveCameraFromFile(p, "B"), TRemoveCamera::Removed); },
             "A/d1 A/d1/http://a2/"},
    EditCase{"remove_ambiguous_removes_nothing",
             [](P p) { EXPECT_EQ(RemoveCameraFromFile(p, "A"), TRemoveCamera::Ambiguous); }, ""}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

} // namespace
