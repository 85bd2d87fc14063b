#include "catalogue/catalogueedit.h"

#include "util/bytetext.h"
#include "util/datafolderlock.h"
#include "util/fileio.h"

namespace lumisk {

namespace {

// Slot of the n-th camera described exactly so, or 0.
std::size_t FindCamera(const TCatalogue& catalogue, const std::string& description,
                       int occurrence) {
    for (std::size_t s = 1; s <= static_cast<std::size_t>(catalogue.Count); ++s)
        if (catalogue.Records[s].Description == description && occurrence-- == 0) return s;
    return 0;
}

} // namespace

TCatalogueLoadResult EditCatalogueFile(const std::string& path,
                                       const std::function<bool(TCatalogue&)>& edit) {
    const TDataFolderLock lock(FolderOfFile(path));
    TCatalogue catalogue;
    TCatalogueLoadResult result;
    if (const std::optional<std::string> text = ReadWholeFile(path))
        result = ParseCatalogueText(*text, catalogue);
    else
        result.FileMissing = true;
    // Camera addresses may hold passwords.
    if (edit(catalogue))
        WriteFileReplacing(path, CatalogueFileText(catalogue), TNewFileMode::OwnerOnly);
    return result;
}

std::vector<TCameraDate> StoreCameraDates(const std::string& path,
                                          const std::vector<TCameraDate>& dates) {
    std::vector<TCameraDate> gone;
    EditCatalogueFile(path, [&](TCatalogue& catalogue) {
        bool changed = false;
        for (const TCameraDate& date : dates) {
            const std::size_t slot = FindCamera(catalogue, date.Description, date.Occurrence);
            if (slot == 0) {
                gone.push_back(date);
                continue;
            }
            CameraRecord& record = catalogue.Records[slot];
            const std::string stored =
                CutBytes(WithoutLineBreaks(date.LastModified), CameraRecord::kLastModifiedCapacity);
            changed = changed || stored != record.LastModified;
            record.LastModified = stored;
        }
        return changed;
    });
    return gone;
}

TAddCamera AddCameraToFile(const std::string& path, const CameraRecord& camera) {
    TAddCamera outcome = TAddCamera::Added;
    EditCatalogueFile(path, [&](TCatalogue& catalogue) {
        CameraRecord record;
        record.SetFields(camera.Description, camera.ImageUrl, camera.WebPage, camera.UpdateMinutes,
                         camera.LastModified);
        for (std::size_t s = 1; s <= static_cast<std::size_t>(catalogue.Count); ++s)
            if (SameTextIgnoreCase(catalogue.Records[s].Description, record.Description)) {
                outcome = TAddCamera::DescriptionTaken;
                return false;
            }
        catalogue.Append();
        catalogue.CurrentRecord() = std::move(record);
        return true;
    });
    return outcome;
}

TRemoveCamera RemoveCameraFromFile(const std::string& path, const std::string& description) {
    TRemoveCamera outcome = TRemoveCamera::NotFound;
    EditCatalogueFile(path, [&](TCatalogue& catalogue) {
        const std::size_t slot = FindCamera(catalogue, description, 0);
        if (slot == 0) return false;
        if (FindCamera(catalogue, description, 1) != 0) {
            outcome = TRemoveCamera::Ambiguous;
            return false;
        }
        catalogue.Current = static_cast<std::int32_t>(slot);
        catalogue.DeleteCurrent();
        outcome = TRemoveCamera::Removed;
        return true;
    });
    return outcome;
}

} // namespace lumisk
