#include "app/byteedit.h"

#include "util/bytetext.h"
#include "util/singlelinevalidator.h"

namespace lumisk {

TByteEdit::TByteEdit(QWidget* parent) : QLineEdit(parent) {
    setValidator(new TSingleLineValidator(this));
}

void TByteEdit::SetBytes(const std::string& bytes) {
    // Removed from the bytes as well as from the shown text, so that the two
    // still match and the rest of the bytes comes back untouched.
    bytes_ = WithoutLineBreaks(bytes);
    shown_ = BytesToDisplay(bytes_);
    setText(shown_);
}

std::string TByteEdit::Bytes(std::size_t capacity) const {
    if (text() == shown_) return CutBytes(bytes_, capacity);
    return DisplayToBytes(text(), static_cast<int>(capacity));
}

} // namespace lumisk
