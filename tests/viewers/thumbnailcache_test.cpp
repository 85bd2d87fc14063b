// The thumbnails kept within their budget, as cameras are painted again,
// sorted and deleted: the grid test sees only the plain order.
#include "catalogue/catalogue.h"
#include "viewers/thumbnailcache.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace lumisk;

namespace {

enum class TStep { Build0, Build1, Build2, Paint0, Delete0, Sort };

struct TCacheCase {
    const char* Name;
    std::vector<TStep> Steps; // with room for two thumbnails
    std::string Kept;         // cameras (one letter each) with a thumbnail, in list order
};

class ThumbnailBudget : public testing::TestWithParam<TCacheCase> {};

TEST_P(ThumbnailBudget, KeepsTheMostRecentlyUsed) {
    TCatalogue catalogue;
    for (const char* name : {"D", "C", "B", "A"}) {
        catalogue.Append();
        catalogue.CurrentRecord().Description = name;
    }
    constexpr std::size_t kOne = 200 * 200 * 3;
    TThumbnailCache cache(2 * kOne);
    for (TStep step : GetParam().Steps) {
        const int position = step == TStep::Build1 ? 1 : step == TStep::Build2 ? 2 : 0;
        if (step == TStep::Delete0) {
            catalogue.Current = 1;
            catalogue.DeleteCurrent();
        } else if (step == TStep::Sort) {
            catalogue.SortByDescription();
        } else {
            if (step != TStep::Paint0)
                catalogue.Records[static_cast<std::size_t>(position) + 1].thumbnail =
                    std::make_shared<QImage>(200, 200, QImage::Format_RGB888);
            cache.Use(catalogue, position);
        }
    }
    std::string kept;
    for (int i = 1; i <= catalogue.Count; ++i)
        if (catalogue.Records[static_cast<std::size_t>(i)].thumbnail)
            kept += catalogue.Records[static_cast<std::size_t>(i)].Description;
    EXPECT_EQ(kept, GetParam().Kept);
    EXPECT_EQ(cache.Bytes(), kept.size() * kOne);
}

using S = TStep;
INSTANTIATE_TEST_SUITE_P(
    Cases, ThumbnailBudget,
    testing::Values(
        TCacheCase{"PaintedAgainStays", {S::Build0, S::Build1, S::Paint0, S::Build2}, "DB"},
        TCacheCase{"RebuiltCountsOnce", {S::Build0, S::Build0, S::Build1}, "DC"},
        TCacheCase{
            "DeletedCameraFreesItsShare", {S::Build0, S::Build1, S::Delete0, S::Build1}, "CB"},
        TCacheCase{
            "DroppedFromItsNewSlotAfterSorting", {S::Build0, S::Build1, S::Sort, S::Build0}, "AC"}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
