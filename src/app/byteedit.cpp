#include "app/byteedit.h"

#include "util/bytetext.h"

namespace lumisk {

void TByteEdit::SetBytes(const std::string& bytes) {
    bytes_ = bytes;
    shown_ = BytesToDisplay(bytes);
    setText(shown_);
}

std::string TByteEdit::Bytes(std::size_t capacity) const {
    if (text() == shown_) return CutBytes(bytes_, capacity);
    return DisplayToBytes(text(), static_cast<int>(capacity));
}

} // namespace lumisk
