// The camera list: slot bookkeeping, deletion and the description sort, with
// each camera's thumbnail staying with its camera.
#include "catalogue/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <random>

using namespace lumisk;

namespace {

using Names = std::vector<std::string>;

// A catalogue of the given descriptions, each with its own thumbnail.
TCatalogue MakeCatalogue(const Names& names) {
    TCatalogue cat;
    for (const auto& n : names) {
        cat.Append();
        cat.CurrentRecord().Description = n;
        cat.CurrentRecord().ImageUrl = "http://cam/" + n;
        cat.CurrentRecord().thumbnail = std::make_shared<QImage>(4, 4, QImage::Format_RGB32);
    }
    return cat;
}

Names Descriptions(const TCatalogue& cat) {
    Names out;
    for (std::size_t i = 1; i < cat.Records.size(); ++i)
        out.push_back(cat.Records[i].Description);
    return out;
}

std::map<std::string, const QImage*> ThumbnailsByName(const TCatalogue& cat) {
    std::map<std::string, const QImage*> out;
    for (std::size_t i = 1; i < cat.Records.size(); ++i)
        out[cat.Records[i].Description] = cat.Records[i].thumbnail.get();
    return out;
}

// Every slot still carries the thumbnail and address of its own camera.
void ExpectSlotsIntact(const TCatalogue& cat, const std::map<std::string, const QImage*>& thumbs) {
    ASSERT_EQ(cat.Records.size(), static_cast<std::size_t>(cat.Count) + 1);
    for (std::size_t i = 1; i < cat.Records.size(); ++i) {
        const auto& r = cat.Records[i];
        EXPECT_EQ(r.ImageUrl, "http://cam/" + r.Description) << "slot " << i;
        EXPECT_EQ(r.thumbnail.get(), thumbs.at(r.Description)) << "slot " << i;
    }
}

struct SortCase {
    const char* name;
    Names before;
    Names after;
};

class SortByDescription : public testing::TestWithParam<SortCase> {};

TEST_P(SortByDescription, OrdersByUpperCasedBytesKeepingThumbnailsAndCurrent) {
    TCatalogue cat = MakeCatalogue(GetParam().before);
    const auto thumbs = ThumbnailsByName(cat);
    cat.Current = 2;
    cat.SortByDescription();
    EXPECT_EQ(Descriptions(cat), GetParam().after);
    EXPECT_EQ(cat.Current, 2);
    ExpectSlotsIntact(cat, thumbs);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SortByDescription,
    testing::Values(
        SortCase{"equal_keys_keep_their_order",
                 {"banana", "Apple", "apple", "cherry"},
                 {"Apple", "apple", "banana", "cherry"}},
        SortCase{"byte_above_127_after_letters",
                 {"\xE9t\xE9", "zebra", "Alps"},
                 {"Alps", "zebra", "\xE9t\xE9"}},
        // Folding to upper case puts '_' (between 'Z' and 'a') after every letter.
        SortCase{
            "underscore_after_letters", {"_misc", "zulu", "Alpha"}, {"Alpha", "zulu", "_misc"}},
        SortCase{"proper_prefix_first",
                 {"Harbour Cam", "harbour", "Harbour"},
                 {"harbour", "Harbour", "Harbour Cam"}},
        SortCase{"empty_and_digits_first", {"b", "9 Elms", "", "A"}, {"", "9 Elms", "A", "b"}},
        SortCase{
            "many_equal_keys_stay", {"cam", "CAM", "Cam", "cAm"}, {"cam", "CAM", "Cam", "cAm"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SortByDescription, MatchesAnExchangeSortOnRandomDescriptions) {
    // Short texts over a small alphabet give many ties and prefixes.
    const std::string alphabet = "aAbB_\xE9 ";
    std::mt19937 rng(7);
    Names names;
    for (int i = 0; i < 300; ++i) {
        std::string s(rng() % 4, ' ');
        for (char& c : s)
            c = alphabet[rng() % alphabet.size()];
        names.push_back(s + "#" + std::to_string(i)); // unique, to follow each camera
    }
    auto key = [](const std::string& s) {
        std::string k = s.substr(0, s.find('#'));
        for (char& c : k)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        return std::basic_string<unsigned char>(k.begin(), k.end());
    };
    Names expected = names;
    for (std::size_t pass = 0; pass < expected.size(); ++pass)
        for (std::size_t i = 0; i + 1 < expected.size(); ++i)
            if (key(expected[i]) > key(expected[i + 1])) std::swap(expected[i], expected[i + 1]);

    // The '#' suffix must not take part in the comparison the catalogue does.
    TCatalogue cat = MakeCatalogue(names);
    for (std::size_t i = 1; i < cat.Records.size(); ++i) {
        auto& d = cat.Records[i].Description;
        cat.Records[i].WebPage = d;
        d = d.substr(0, d.find('#'));
    }
    cat.SortByDescription();
    Names got;
    for (std::size_t i = 1; i < cat.Records.size(); ++i)
        got.push_back(cat.Records[i].WebPage);
    EXPECT_EQ(got, expected);
}

struct DeleteCase {
    const char* name;
    int count;
    int current;
    Names after;
    int currentAfter;
};

class DeleteCurrent : public testing::TestWithParam<DeleteCase> {};

TEST_P(DeleteCurrent, ShiftsFollowingSlotsAndReleasesTheDroppedThumbnail) {
    const auto& c = GetParam();
    Names names;
    for (int i = 1; i <= c.count; ++i)
        names.push_back(std::string("c").append(std::to_string(i)));
    TCatalogue cat = MakeCatalogue(names);
    const auto thumbs = ThumbnailsByName(cat);
    cat.Current = c.current;
    std::weak_ptr<QImage> dropped = cat.Records[static_cast<std::size_t>(c.current)].thumbnail;

    cat.DeleteCurrent();

    EXPECT_EQ(Descriptions(cat), c.after);
    EXPECT_EQ(cat.Count, c.count - 1);
    EXPECT_EQ(cat.Current, c.currentAfter);
    EXPECT_TRUE(dropped.expired());
    ExpectSlotsIntact(cat, thumbs);
}

INSTANTIATE_TEST_SUITE_P(Cases, DeleteCurrent,
                         testing::Values(DeleteCase{"only_camera", 1, 1, {}, 0},
                                         DeleteCase{"last_of_three", 3, 3, {"c1", "c2"}, 2},
                                         DeleteCase{"first_of_three", 3, 1, {"c2", "c3"}, 1},
                                         DeleteCase{
                                             "slot_2_of_5", 5, 2, {"c1", "c3", "c4", "c5"}, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DeleteCurrent, NothingCurrentChangesNothing) {
    TCatalogue cat = MakeCatalogue({"a", "b"});
    cat.Current = 0;
    cat.DeleteCurrent();
    EXPECT_EQ(Descriptions(cat), (Names{"a", "b"}));
    EXPECT_EQ(cat.Current, 0);
}

TEST(Catalogue, AppendAddsAnEmptyCurrentSlotAndClearKeepsOnlyTheScratchSlot) {
    TCatalogue cat;
    ASSERT_EQ(cat.Records.size(), 1u);
    EXPECT_EQ(&cat.CurrentRecord(), &cat.Records[0]);

    cat = MakeCatalogue({"a"});
    cat.Append();
    EXPECT_EQ(cat.Count, 2);
    EXPECT_EQ(cat.Current, 2);
    ASSERT_EQ(cat.Records.size(), 3u);
    const CameraRecord& fresh = cat.Records[2];
    EXPECT_TRUE(fresh.Description.empty() && fresh.ImageUrl.empty() && fresh.WebPage.empty() &&
                fresh.UpdateMinutes.empty() && fresh.LastModified.empty());
    EXPECT_FALSE(fresh.thumbnail);

    cat.Clear();
    EXPECT_EQ(cat.Records.size(), 1u);
    EXPECT_EQ(cat.Count, 0);
    EXPECT_EQ(cat.Current, 0);
}

TEST(Catalogue, EveryListChangeBumpsTheDescriptionsVersion) {
    TCatalogue cat = MakeCatalogue({"b", "a", "c"});
    const std::vector<std::pair<const char*, std::function<void()>>> ops = {
        {"append", [&] { cat.Append(); }},
        {"delete", [&] { cat.DeleteCurrent(); }},
        {"sort", [&] { cat.SortByDescription(); }},
        {"clear", [&] { cat.Clear(); }},
    };
    for (const auto& [name, op] : ops) {
        const auto before = cat.DescriptionsVersion();
        op();
        EXPECT_NE(cat.DescriptionsVersion(), before) << name;
    }
}

TEST(CameraRecord, SetFieldsCutsEachTextToItsCapacity) {
    CameraRecord r;
    r.SetFields(std::string(200, 'd'), std::string(151, 'u'), std::string(150, 'w'), "123456789012",
                std::string(60, 'm'));
    EXPECT_EQ(r.Description, std::string(150, 'd'));
    EXPECT_EQ(r.ImageUrl, std::string(150, 'u'));
    EXPECT_EQ(r.WebPage, std::string(150, 'w'));
    EXPECT_EQ(r.UpdateMinutes, "1234567890");
    EXPECT_EQ(r.LastModified, std::string(50, 'm'));
}

// A field is one line of the catalogue file: no CR, LF or NUL is kept, every
// other byte is, and the capacity counts what is kept.
struct TFieldBytesCase {
    const char* Name;
    std::string Given, Description, UpdateMinutes;
};

class CameraRecordFieldBytes : public testing::TestWithParam<TFieldBytesCase> {};

TEST_P(CameraRecordFieldBytes, NoLineBreakOrNulIsStored) {
    const TFieldBytesCase& c = GetParam();
    CameraRecord r;
    r.SetFields(c.Given, c.Given, c.Given, c.Given, c.Given);
    EXPECT_EQ(r.Description, c.Description);
    EXPECT_EQ(r.UpdateMinutes, c.UpdateMinutes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CameraRecordFieldBytes,
    testing::Values(TFieldBytesCase{"TrailingCrLf", "http://a\r\n", "http://a", "http://a"},
                    TFieldBytesCase{"NulAndBareCr", std::string("a\0b\rc", 5), "abc", "abc"},
                    TFieldBytesCase{"OtherBytesExact", "\t\xE9\x01", "\t\xE9\x01", "\t\xE9\x01"},
                    TFieldBytesCase{"CutCountsWhatIsKept", "12345\r\n67890X", "1234567890X",
                                    "1234567890"}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
