#include "app/cli/cameramatches.h"

#include "util/bytetext.h"
#include "util/urlcredentials.h"

#include <QString>
#include <algorithm>
#include <cstdlib>
#include <tuple>

namespace lumisk::cli {

namespace {

// Levenshtein distance, giving up (returning limit + 1) once it exceeds limit.
int Distance(const QString& a, const QString& b, int limit) {
    if (std::abs(a.size() - b.size()) > limit) return limit + 1;
    std::vector<int> previous(static_cast<std::size_t>(b.size()) + 1);
    std::vector<int> row(previous.size());
    for (std::size_t j = 0; j < previous.size(); ++j)
        previous[j] = static_cast<int>(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        row[0] = static_cast<int>(i);
        int best = row[0];
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const auto J = static_cast<std::size_t>(j);
            row[J] = std::min({previous[J] + 1, row[J - 1] + 1,
                               previous[J - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
            best = std::min(best, row[J]);
        }
        if (best > limit) return limit + 1;
        std::swap(previous, row);
    }
    return previous.back();
}

} // namespace

TCameraMatches TCameraMatches::Find(const TCatalogue& catalogue, const std::string& description) {
    TCameraMatches matches;
    const QString wanted = BytesToDisplay(description).toCaseFolded();
    // A short text is part of too many descriptions to mean one of them.
    const bool partsCount = wanted.size() >= 3;
    const int limit = std::max<int>(1, static_cast<int>(wanted.size() / 4));
    // Ranked by how many letters are off: nothing but case first, then a
    // part of the description (or the other way round) by the letters
    // missing, alongside near spellings by their edit distance.
    std::vector<std::tuple<int, int, std::int32_t>> close; // not case alone, letters off, slot
    for (std::int32_t slot = 1; slot <= catalogue.Count; ++slot) {
        const std::string& bytes = catalogue.Records[static_cast<std::size_t>(slot)].Description;
        if (bytes == description) {
            matches.Exact.push_back(slot);
            continue;
        }
        const QString folded = BytesToDisplay(bytes).toCaseFolded();
        const int sizeDifference = static_cast<int>(std::abs(folded.size() - wanted.size()));
        if (folded == wanted) {
            close.emplace_back(0, 0, slot);
        } else if (partsCount && !folded.isEmpty() &&
                   (folded.contains(wanted) || (folded.size() >= 3 && wanted.contains(folded)))) {
            close.emplace_back(1, sizeDifference, slot);
        } else if (int d = Distance(folded, wanted, limit); d <= limit) {
            close.emplace_back(1, d, slot);
        }
    }
    std::sort(close.begin(), close.end());
    for (std::size_t i = 0; i < close.size() && i < kMaxClose; ++i)
        matches.Close.push_back(std::get<2>(close[i]));
    return matches;
}

std::string TCameraMatches::Listing(const TCatalogue& catalogue,
                                    const std::vector<std::int32_t>& positions) {
    std::string text;
    for (std::int32_t slot : positions) {
        const CameraRecord& record = catalogue.Records[static_cast<std::size_t>(slot)];
        text += "  camera " + std::to_string(slot) + ": " + record.Description;
        if (!record.ImageUrl.empty()) text += "  (" + WithoutCredentials(record.ImageUrl) + ")";
        text += "\n";
    }
    return text;
}

} // namespace lumisk::cli
