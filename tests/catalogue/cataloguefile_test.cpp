// The catalogue file: line ends, short and cut-off files, capacities, exact
// bytes, and a save that fails without harming the file already there.
#include "catalogue/catalogueedit.h"
#include "catalogue/cataloguefile.h"

#include "support/tempdir.h"
#include "util/fileio.h"
#include "util/lumiskerror.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace lumisk;
using namespace std::string_literals;
using lumisk::test::TTempDir;

namespace {

using Fields =
    std::vector<std::string>; // Description, ImageUrl, WebPage, UpdateMinutes, LastModified

std::vector<Fields> Cameras(const TCatalogue& cat) {
    std::vector<Fields> out;
    for (std::size_t i = 1; i < cat.Records.size(); ++i) {
        const auto& r = cat.Records[i];
        out.push_back({r.Description, r.ImageUrl, r.WebPage, r.UpdateMinutes, r.LastModified});
    }
    return out;
}

const Fields kHarbour = {"Harbour", "http://h/cam.jpg", "http://h/", "5",
                         "Tue, 15 Nov 1994 08:12:31 GMT"};
const std::string kHarbourLines =
    "Harbour\r\nhttp://h/cam.jpg\r\nhttp://h/\r\n5\r\nTue, 15 Nov 1994 08:12:31 GMT\r\n";

struct LoadCase {
    const char* name;
    std::string bytes;
    std::vector<Fields> cameras;
    int leftover; // lines dropped after the last whole record, when they end it early
};

class LoadCatalogue : public testing::TestWithParam<LoadCase> {};

TEST_P(LoadCatalogue, KeepsWholeRecordsOnly) {
    const auto& c = GetParam();
    TTempDir dir;
    dir.Write("orvane.dat", c.bytes);
    TCatalogue cat;
    cat.Append(); // whatever was there before is replaced
    const TCatalogueLoadResult res = LoadCatalogueFile(dir.File("orvane.dat"), cat);
    EXPECT_FALSE(res.FileMissing);
    EXPECT_EQ(res.EndedInsideRecord, c.leftover != 0);
    EXPECT_EQ(res.LeftoverLines, c.leftover);
    EXPECT_EQ(Cameras(cat), c.cameras);
    EXPECT_EQ(cat.Count, static_cast<int>(c.cameras.size()));
    EXPECT_EQ(cat.Current, c.cameras.empty() ? 0 : 1);
    EXPECT_EQ(cat.Records.size(), c.cameras.size() + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadCatalogue,
    testing::Values(
        LoadCase{"empty_file", "", {}, 0}, LoadCase{"one_line", "Harbour\r\n", {}, 0},
        LoadCase{"one_line_without_end", "Harbour", {}, 0},
        LoadCase{"five_n_plus_one", kHarbourLines + "stray\r\n", {kHarbour}, 0},
        LoadCase{"two_left_over", kHarbourLines + "Pier\r\nhttp://p/\r\n", {kHarbour}, 2},
        LoadCase{"three_left_over", kHarbourLines + "a\r\nb\r\nc\r\n", {kHarbour}, 3},
        LoadCase{"four_left_over", kHarbourLines + "a\r\nb\r\nc\r\nd", {kHarbour}, 4},
        LoadCase{"only_a_partial_record", "a\r\nb\r\nc\r\n", {}, 3},
        LoadCase{"last_line_without_end",
                 kHarbourLines.substr(0, kHarbourLines.size() - 2),
                 {kHarbour},
                 0},
        LoadCase{"empty_fields", "\r\n\r\n\r\n\r\n\r\n", {{"", "", "", "", ""}}, 0},
        LoadCase{"lf_ends",
                 "Harbour\nhttp://h/cam.jpg\nhttp://h/\n5\nTue, 15 Nov 1994 08:12:31 GMT\n",
                 {kHarbour},
                 0},
        LoadCase{"cr_ends",
                 "Harbour\rhttp://h/cam.jpg\rhttp://h/\r5\rTue, 15 Nov 1994 08:12:31 GMT\r",
                 {kHarbour},
                 0},
        LoadCase{"mixed_ends",
                 "Harbour\r\nhttp://h/cam.jpg\nhttp://h/\r5\r\n\r\nx\ny\nz\n\n\n",
                 {{"Harbour", "http://h/cam.jpg", "http://h/", "5", ""}, {"x", "y", "z", "", ""}},
                 0},
        LoadCase{"nul_ends_text", kHarbourLines + "\0Pier\r\na\r\nb\r\nc\r\nd\r\n"s, {kHarbour}, 0},
        LoadCase{"nul_inside_record", "a\r\nb\0c\r\nd\r\ne\r\n"s, {}, 2},
        LoadCase{"over_long_fields_cut",
                 std::string(200, 'D') + "\r\n" + std::string(151, 'U') + "\r\n" +
                     std::string(150, 'W') + "\r\n123456789012\r\n" + std::string(60, 'L') + "\r\n",
                 {{std::string(150, 'D'), std::string(150, 'U'), std::string(150, 'W'),
                   "1234567890", std::string(50, 'L')}},
                 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LoadCatalogue, MissingFileGivesAnEmptyCatalogue) {
    TTempDir dir;
    TCatalogue cat;
    cat.Append();
    const TCatalogueLoadResult res = LoadCatalogueFile(dir.File("orvane.dat"), cat);
    EXPECT_TRUE(res.FileMissing);
    EXPECT_EQ(cat.Count, 0);
    EXPECT_EQ(cat.Current, 0);
    EXPECT_EQ(cat.Records.size(), 1u);
}

TEST(LoadCatalogue, UnreadableFileThrowsAndLeavesTheCatalogueEmpty) {
    TTempDir dir;
    std::filesystem::create_directory(dir.File("orvane.dat"));
    TCatalogue cat;
    cat.Append();
    try {
        LoadCatalogueFile(dir.File("orvane.dat"), cat);
        FAIL() << "no error";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file " + dir.File("orvane.dat"));
    }
    EXPECT_EQ(cat.Count, 0);
    EXPECT_EQ(cat.Current, 0);
    EXPECT_EQ(cat.Records.size(), 1u);
}

struct RoundTripCase {
    const char* name;
    std::string stored;    // as found on disk
    std::string rewritten; // as the next save writes it
};

class CatalogueRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(CatalogueRoundTrip, SaveWritesCrLfAndTheExactBytes) {
    TTempDir dir;
    dir.Write("orvane.dat", GetParam().stored);
    TCatalogue cat;
    LoadCatalogueFile(dir.File("orvane.dat"), cat);
    SaveCatalogueFile(dir.File("orvane.dat"), cat);
    EXPECT_EQ(dir.Read("orvane.dat"), GetParam().rewritten);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CatalogueRoundTrip,
    testing::Values(
        RoundTripCase{"crlf_unchanged", kHarbourLines + kHarbourLines,
                      kHarbourLines + kHarbourLines},
        RoundTripCase{"lf_becomes_crlf", "a\nb\nc\nd\ne\n", "a\r\nb\r\nc\r\nd\r\ne\r\n"},
        RoundTripCase{"cr_becomes_crlf", "a\rb\rc\rd\re", "a\r\nb\r\nc\r\nd\r\ne\r\n"},
        RoundTripCase{"stray_line_disappears", kHarbourLines + "stray", kHarbourLines},
        RoundTripCase{"empty_record", "\r\n\r\n\r\n\r\n\r\n", "\r\n\r\n\r\n\r\n\r\n"},
        RoundTripCase{"empty_catalogue_is_zero_bytes", "", ""},
        // 0xE9 alone is not UTF-8: nothing on the way may decode or replace it.
        RoundTripCase{"bytes_above_127",
                      "Caf\xE9 du Port\r\nhttp://x/\x80\xFF.jpg\r\n\xA0\r\n\xE9\r\n\x81\x8D\r\n",
                      "Caf\xE9 du Port\r\nhttp://x/\x80\xFF.jpg\r\n\xA0\r\n\xE9\r\n\x81\x8D\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SaveCatalogue, WritesOnlyTheCamerasNotTheScratchSlot) {
    TCatalogue cat;
    cat.Records[0].Description = "scratch";
    cat.Append();
    cat.CurrentRecord().SetFields("Pier", "http://p/", "", "10", "");
    EXPECT_EQ(CatalogueFileText(cat), "Pier\r\nhttp://p/\r\n\r\n10\r\n\r\n");
}

// Caps the size of files this process writes, as a full disk would, for the
// life of the object.
class TFileSizeLimit {
  public:
    explicit TFileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN); // write() fails instead of killing us
        struct rlimit small = old_;
        small.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~TFileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

  private:
    struct rlimit old_ {};
    void (*oldHandler_)(int) = nullptr;
};

// The data folder's lock file stays once made; only temporaries count here.
std::vector<std::string> Listing(const TTempDir& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
        if (e.path().filename() != ".lumisk.lock") names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct FailCase {
    const char* name;
    void (*prepare)(const TTempDir& dir);
    std::string target;
    bool diskFull;
};

class SaveCatalogueFailure : public testing::TestWithParam<FailCase> {};

TEST_P(SaveCatalogueFailure, ThrowsAndKeepsWhatWasThere) {
    const auto& c = GetParam();
    TTempDir dir;
    c.prepare(dir);
    const std::string path = dir.File(c.target);
    const bool hadFile = std::filesystem::is_regular_file(path);
    const std::string before = hadFile ? dir.Read(c.target) : "";
    const auto listingBefore = Listing(dir);
    TCatalogue cat;
    for (int i = 0; i < 50; ++i) {
        cat.Append();
        cat.CurrentRecord().SetFields("New camera " + std::to_string(i), "http://n/", "", "1", "");
    }
    try {
        std::optional<TFileSizeLimit> limit;
        if (c.diskFull) limit.emplace(64);
        SaveCatalogueFile(path, cat);
        FAIL() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Cannot create file " + path);
    }
    if (hadFile) {
        EXPECT_EQ(dir.Read(c.target), before);
    }
    EXPECT_EQ(Listing(dir), listingBefore) << "a temporary file was left behind";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SaveCatalogueFailure,
    testing::Values(FailCase{"directory_missing", [](const TTempDir&) {}, "gone/orvane.dat", false},
                    FailCase{"path_is_a_directory",
                             [](const TTempDir& d) {
                                 std::filesystem::create_directory(d.File("orvane.dat"));
                                 d.Write("orvane.dat/keep", "x");
                             },
                             "orvane.dat", false},
                    FailCase{"disk_full_keeps_old_file",
                             [](const TTempDir& d) { d.Write("orvane.dat", kHarbourLines); },
                             "orvane.dat", true}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace

// Addresses may hold passwords: a catalogue file that is new is the owner's
// alone, whoever writes it; one already there keeps the mode it was given.
namespace {

void WindowsSave(const std::string& path) {
    TCatalogue catalogue;
    catalogue.Append();
    TFileSnapshot onDisk;
    onDisk.Record(ReadWholeFile(path));
    SaveCatalogueMerging(path, catalogue, onDisk);
}

void CommandEdit(const std::string& path) {
    EditCatalogueFile(path, [](TCatalogue& c) {
        c.Append();
        return true;
    });
}

struct ModeCase {
    const char* name;
    void (*save)(const std::string& path);
    int before; // the mode of the (empty) file already there; -1: none
    int after;
};

class CatalogueFileMode : public testing::TestWithParam<ModeCase> {};

TEST_P(CatalogueFileMode, NewIsOwnerOnlyExistingKeepsItsMode) {
    const ModeCase& c = GetParam();
    TTempDir dir;
    const std::string path = dir.File("orvane.dat");
    if (c.before >= 0) {
        dir.Write("orvane.dat", "");
        ::chmod(path.c_str(), static_cast<mode_t>(c.before));
    }
    const mode_t mask = ::umask(022);
    c.save(path);
    ::umask(mask);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, static_cast<mode_t>(c.after));
}

INSTANTIATE_TEST_SUITE_P(Writers, CatalogueFileMode,
                         testing::Values(ModeCase{"WindowsSaveNew", &WindowsSave, -1, 0600},
                                         ModeCase{"WindowsSaveExisting", &WindowsSave, 0644, 0644},
                                         ModeCase{"CommandEditNew", &CommandEdit, -1, 0600}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
