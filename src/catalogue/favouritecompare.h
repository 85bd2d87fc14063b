#pragma once
// The order and equality of favourites: texts compared without regard to
// letter case, the same way on every machine whatever its locale.
//
// The rule works on the texts as the user reads them (BytesToDisplay: UTF-8
// when valid, else Windows-1252):
//  1. Each text is decomposed and case folded (NFD, simple Unicode case
//     folding with the sharp s folding to "ss", NFD again), so "Apple" and
//     "apple" become one text and "Straße" equals "STRASSE". Every combining
//     mark belongs to the character before it; a mark at the very start
//     counts as a character.
//  2. The base characters decide first, left to right: blanks, punctuation
//     and symbols sort before digits and numbers, those before letters and
//     everything else; within a class, by code point. A text that is the
//     beginning of another sorts first.
//  3. When the base characters are all equal, the accents decide, left to
//     right: a character without a mark before one with marks, marks by
//     their code points ("cote" < "coté" < "côte").
//  4. Texts equal by 2 and 3 are equal: they differ only in letter case or in
//     how the same characters are encoded, and they are one favourite.
// The order is total, so sorting with it (stable) gives the same list on
// every machine.
#include <string>

namespace lumisk {

// A text reduced to what the comparison looks at; build it once when a text
// is compared many times.
struct TFavouriteKey {
    std::u32string Bases; // class in the top bits, folded code point below
    std::u32string Marks; // each base character's marks, each group ended by 0
};

TFavouriteKey FavouriteKey(const std::string& text);

// Negative, zero or positive as a sorts before, equal to or after b.
int CompareFavouriteKeys(const TFavouriteKey& a, const TFavouriteKey& b);
int CompareFavourites(const std::string& a, const std::string& b);

} // namespace lumisk
