#include "catalogue/favouritecompare.h"

#include "util/bytetext.h"

#include <QChar>
#include <QList>
#include <QString>

namespace lumisk {

namespace {

// Sort classes of base characters, stored above the 21 bits of a code point.
constexpr char32_t kClassShift = 24;
constexpr char32_t kPunctuation = 0;
constexpr char32_t kNumber = 1;
constexpr char32_t kLetter = 2;

bool IsMark(char32_t c) {
    switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
        return true;
    default:
        return false;
    }
}

char32_t ClassOf(char32_t c) {
    if (QChar::isNumber(c)) return kNumber;
    if (QChar::isLetter(c)) return kLetter;
    if (QChar::isPunct(c) || QChar::isSymbol(c) || QChar::isSpace(c)) return kPunctuation;
    // Controls, unassigned and private-use code points: with the letters.
    return kLetter;
}

int CompareRuns(const std::u32string& a, const std::u32string& b) {
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

} // namespace

TFavouriteKey FavouriteKey(const std::string& text) {
    QString folded = BytesToDisplay(text).normalized(QString::NormalizationForm_D).toCaseFolded();
    // Qt folds one character to one; the sharp s (and the capital one, which
    // folds to it) folds to two.
    folded.replace(QChar(0x00DF), QStringLiteral("ss"));
    folded = folded.normalized(QString::NormalizationForm_D);
    TFavouriteKey key;
    key.Bases.reserve(static_cast<std::size_t>(folded.size()));
    key.Marks.reserve(static_cast<std::size_t>(folded.size()));
    for (char32_t c : folded.toUcs4()) {
        if (IsMark(c) && !key.Bases.empty()) {
            // Insert before the group end of the previous base character.
            key.Marks.insert(key.Marks.size() - 1, 1, c);
            continue;
        }
        key.Bases.push_back((ClassOf(c) << kClassShift) | c);
        key.Marks.push_back(0);
    }
    return key;
}

int CompareFavouriteKeys(const TFavouriteKey& a, const TFavouriteKey& b) {
    if (int c = CompareRuns(a.Bases, b.Bases)) return c;
    return CompareRuns(a.Marks, b.Marks);
}

int CompareFavourites(const std::string& a, const std::string& b) {
    if (a == b) return 0;
    return CompareFavouriteKeys(FavouriteKey(a), FavouriteKey(b));
}

} // namespace lumisk
