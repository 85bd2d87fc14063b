#include "catalogue/camerarecord.h"

#include "util/bytetext.h"

namespace lumisk {

namespace {

// Fields hold bytes, so a cut may split a multi-byte character; the stored
// bytes are what the file gets, exactly as they were typed or read. A CR, LF
// or NUL would split the file's lines and shift every later camera, so
// those alone are dropped (before the cut, which counts what is kept).
void AssignCut(std::string& field, const std::string& text, std::size_t capacity) {
    field = WithoutLineBreaks(text);
    if (field.size() > capacity) field.resize(capacity);
}

} // namespace

void CameraRecord::SetFields(const std::string& description, const std::string& imageUrl,
                             const std::string& webPage, const std::string& updateMinutes,
                             const std::string& lastModified) {
    AssignCut(Description, description, kDescriptionCapacity);
    AssignCut(ImageUrl, imageUrl, kImageUrlCapacity);
    AssignCut(WebPage, webPage, kWebPageCapacity);
    AssignCut(UpdateMinutes, updateMinutes, kUpdateMinutesCapacity);
    AssignCut(LastModified, lastModified, kLastModifiedCapacity);
}

} // namespace lumisk
