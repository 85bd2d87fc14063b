#include "catalogue/cataloguefile.h"

#include "util/fileio.h"

#include <utility>

namespace lumisk {

namespace {

constexpr std::size_t kLinesPerRecord = 5;

// Moves the line into the field and cuts it, sparing a copy per field.
void TakeCut(std::string& field, std::string& line, std::size_t capacity) {
    if (line.size() > capacity) line.resize(capacity);
    field = std::move(line);
}

} // namespace

TCatalogueLoadResult LoadCatalogueFile(const std::string& path, TCatalogue& catalogue) {
    TCatalogueLoadResult result;
    // Emptied first, so a read error leaves an empty catalogue behind.
    catalogue.Clear();
    std::optional<std::string> data = ReadDataFile(path);
    if (!data) {
        result.FileMissing = true;
        return result;
    }
    std::vector<std::string> lines = SplitTextLines(*data);
    data.reset();

    const std::size_t whole = lines.size() / kLinesPerRecord;
    const std::size_t leftover = lines.size() % kLinesPerRecord;
    // One stray line is what a trailing blank line leaves and is ignored; two
    // or more mean a record was cut off, which the caller reports.
    if (leftover >= 2) {
        result.EndedInsideRecord = true;
        result.LeftoverLines = static_cast<int>(leftover);
    }

    catalogue.Records.reserve(whole + 1);
    for (std::size_t r = 0; r < whole; ++r) {
        std::string* line = &lines[r * kLinesPerRecord];
        CameraRecord& rec = catalogue.Records.emplace_back();
        TakeCut(rec.Description, line[0], CameraRecord::kDescriptionCapacity);
        TakeCut(rec.ImageUrl, line[1], CameraRecord::kImageUrlCapacity);
        TakeCut(rec.WebPage, line[2], CameraRecord::kWebPageCapacity);
        TakeCut(rec.UpdateMinutes, line[3], CameraRecord::kUpdateMinutesCapacity);
        TakeCut(rec.LastModified, line[4], CameraRecord::kLastModifiedCapacity);
    }
    catalogue.Count = static_cast<std::int32_t>(whole);
    catalogue.Current = catalogue.Count >= 1 ? 1 : 0;
    catalogue.TouchDescriptions();
    return result;
}

std::string CatalogueFileText(const TCatalogue& catalogue) {
    const auto end = catalogue.Records.begin() + 1 + catalogue.Count;
    std::size_t total = 0;
    for (auto it = catalogue.Records.begin() + 1; it != end; ++it) {
        total += it->Description.size() + it->ImageUrl.size() + it->WebPage.size() +
                 it->UpdateMinutes.size() + it->LastModified.size() + 2 * kLinesPerRecord;
    }
    std::string out;
    out.reserve(total);
    for (auto it = catalogue.Records.begin() + 1; it != end; ++it) {
        for (const std::string* field : {&it->Description, &it->ImageUrl, &it->WebPage,
                                         &it->UpdateMinutes, &it->LastModified}) {
            out += *field;
            out += "\r\n";
        }
    }
    return out;
}

void SaveCatalogueFile(const std::string& path, const TCatalogue& catalogue) {
    WriteDataFile(path, CatalogueFileText(catalogue));
}

} // namespace lumisk
