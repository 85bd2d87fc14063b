#include "catalogue/cataloguefile.h"

#include "catalogue/cataloguemerge.h"
#include "util/datadirectory.h"
#include "util/datafolderlock.h"
#include "util/fileio.h"
#include "util/lumiskerror.h"

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

std::string CatalogueFileName() {
    return DataPath("orvane.dat");
}

TCatalogueLoadResult ParseCatalogueText(const std::string& text, TCatalogue& catalogue) {
    TCatalogueLoadResult result;
    catalogue.Clear();
    std::vector<std::string> lines = SplitTextLines(text);

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

TCatalogueLoadResult LoadCatalogueFile(const std::string& path, TCatalogue& catalogue,
                                       TFileSnapshot& onDisk) {
    // Emptied first, so a read error leaves an empty catalogue behind.
    catalogue.Clear();
    std::optional<std::string> data = ReadDataFile(path);
    onDisk.Record(data);
    if (!data) {
        TCatalogueLoadResult result;
        result.FileMissing = true;
        return result;
    }
    return ParseCatalogueText(*data, catalogue);
}

TCatalogueLoadResult LoadCatalogueFile(const std::string& path, TCatalogue& catalogue) {
    TFileSnapshot unused;
    return LoadCatalogueFile(path, catalogue, unused);
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
    const TDataFolderLock lock(FolderOfFile(path));
    WriteDataFile(path, CatalogueFileText(catalogue), TNewFileMode::OwnerOnly);
}

bool SaveCatalogueMerging(const std::string& path, TCatalogue& catalogue, TFileSnapshot& onDisk) {
    const TDataFolderLock lock(FolderOfFile(path));
    std::optional<std::string> now;
    try {
        now = ReadWholeFile(path);
    } catch (const EFOpenError&) {
        // What another program wrote there cannot be kept if it cannot be read.
        throw EFCreateError(path);
    }
    if (onDisk.Matches(now)) {
        std::string text = CatalogueFileText(catalogue);
        WriteDataFile(path, text, TNewFileMode::OwnerOnly);
        onDisk.Record(std::move(text));
        return false;
    }
    TCatalogue base, disk;
    ParseCatalogueText(onDisk.Text.value_or(""), base);
    ParseCatalogueText(now.value_or(""), disk);
    TCatalogueMerge merge = MergeCatalogue(base, catalogue, disk);
    // Written before the catalogue takes the merge in: a failed write leaves
    // memory as it was, so the next save merges the same changes once.
    TCatalogue merged;
    merged.Records = std::move(merge.Records);
    merged.Count = static_cast<std::int32_t>(merged.Records.size() - 1);
    std::string text = CatalogueFileText(merged);
    WriteDataFile(path, text, TNewFileMode::OwnerOnly);
    onDisk.Record(std::move(text));
    if (!merge.Changed) return false;
    catalogue.Records = std::move(merged.Records);
    catalogue.Count = merged.Count;
    catalogue.Current = merge.Current;
    catalogue.TouchDescriptions();
    return true;
}

} // namespace lumisk
