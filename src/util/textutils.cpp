#include "util/textutils.h"

#include <QLocale>
#include <array>
#include <cmath>
#include <charconv>

namespace lumisk {

std::string LeftChars(const std::string& text, int n) {
    if (n <= 0) return {};
    return text.substr(0, static_cast<std::size_t>(n));
}

std::string RightChars(const std::string& text, int n) {
    if (n <= 0) return {};
    const auto count = static_cast<std::size_t>(n);
    return count >= text.size() ? text : text.substr(text.size() - count);
}

std::string ReverseText(const std::string& text) {
    return std::string(text.rbegin(), text.rend());
}

void SplitOnChar(const std::string& text, char separator, std::vector<std::string>& list,
                 bool clearFirst) {
    if (clearFirst) list.clear();
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::string::npos) end = text.size();
        if (end > start) list.emplace_back(text, start, end - start);
        start = end + 1;
    }
}

std::string StripChars(const std::string& text, const std::string& set) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (set.find(c) == std::string::npos) out += c;
    return out;
}

std::string GroupThousands(std::int64_t n) {
    // Work on the magnitude as unsigned so that the most negative value has one.
    const bool negative = n < 0;
    const std::uint64_t magnitude =
        negative ? std::uint64_t{0} - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
    const std::string reversed = ReverseText(std::to_string(magnitude));
    std::string grouped;
    for (std::size_t i = 0; i < reversed.size(); ++i) {
        if (i > 0 && i % 3 == 0) grouped += ',';
        grouped += reversed[i];
    }
    if (negative) grouped += '-';
    return ReverseText(grouped);
}

std::string ByteSizeText(std::int64_t n) {
    const QByteArray separator = QLocale::system().decimalPoint().toUtf8();
    return ByteSizeText(
        n, std::string(separator.constData(), static_cast<std::size_t>(separator.size())));
}

std::string ByteSizeText(std::int64_t n, const std::string& decimalSeparator) {
    static constexpr std::array<const char*, 4> kUnits = {" KB", " MB", " GB", " TB"};
    const std::string decimal = std::to_string(n);
    const std::size_t length = decimal.size();
    if (length <= 3) return decimal + " Bytes";
    if (length >= 15) return {};
    // 4-6 characters divide by 1024, 7-9 by 1024^2, and so on; the quotient
    // therefore stays below 1000 and never needs an exponent.
    const std::size_t step = (length - 1) / 3;
    double quotient = static_cast<double>(n);
    for (std::size_t i = 0; i < step; ++i)
        quotient /= 1024.0;
    // Three significant digits, halves rounded away from zero (the quotients
    // of powers of two often are exact halves, and to_chars would round
    // them to even: 1152 must read 1.13 KB, not 1.12 KB).
    if (quotient != 0.0) {
        const double scale =
            std::pow(10.0, 2 - static_cast<int>(std::floor(std::log10(std::fabs(quotient)))));
        quotient = std::round(quotient * scale) / scale;
    }
    // to_chars is locale independent, so the separator is always '.' here.
    std::array<char, 32> buffer{};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), quotient,
                                   std::chars_format::general, 3);
    std::string text = ec == std::errc{} ? std::string(buffer.data(), end) : std::string("0");
    if (auto point = text.find('.'); point != std::string::npos)
        text.replace(point, 1, decimalSeparator);
    return text + kUnits[step - 1];
}

} // namespace lumisk
