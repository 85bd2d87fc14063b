#pragma once
// Small text routines shared by the windows and tools. Texts are bytes and
// positions count bytes; nothing here keeps state or throws.
#include <cstdint>
#include <string>
#include <vector>

namespace lumisk {

// The first n characters, or the whole text when it is shorter; empty for n <= 0.
std::string LeftChars(const std::string& text, int n);

// The last n characters, or the whole text when it is shorter; empty for n <= 0.
std::string RightChars(const std::string& text, int n);

// The characters in reverse order.
std::string ReverseText(const std::string& text);

// Appends the non-empty fields of text, split at every separator, to list;
// empties the list first when clearFirst is set (also for an empty text).
void SplitOnChar(const std::string& text, char separator, std::vector<std::string>& list,
                 bool clearFirst);

// The text without every character that occurs anywhere in set.
std::string StripChars(const std::string& text, const std::string& set);

// Decimal digits with "," between groups of three, whatever the locale
// ("1,234,567"). A negative number keeps its sign in front ("-1,234").
std::string GroupThousands(std::int64_t n);

// A byte count with its unit, chosen by the length of the decimal text of n
// (the minus sign counts): up to 3 characters "Bytes", then KB, MB, GB, TB for
// every further three, each quotient by a power of 1024 rounded to three
// significant digits without trailing zeros; 15 or more characters give "".
// This overload writes the decimal separator of the user's locale.
std::string ByteSizeText(std::int64_t n);

// The same with a given decimal separator.
std::string ByteSizeText(std::int64_t n, const std::string& decimalSeparator);

} // namespace lumisk
