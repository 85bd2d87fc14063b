#include "util/singlelinevalidator.h"

#include "util/bytetext.h"

namespace lumisk {

QValidator::State TSingleLineValidator::validate(QString& input, int& pos) const {
    // The cursor stays after the same character it followed.
    const qsizetype removedBefore = pos - WithoutLineBreaks(input.left(pos)).size();
    input = WithoutLineBreaks(input);
    pos -= static_cast<int>(removedBefore);
    return Acceptable;
}

void TSingleLineValidator::fixup(QString& input) const {
    input = WithoutLineBreaks(input);
}

} // namespace lumisk
