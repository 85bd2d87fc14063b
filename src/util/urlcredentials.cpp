#include "util/urlcredentials.h"

namespace lumisk {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A "%" not followed by two hex digits stays as typed.
std::string PercentDecoded(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

TUrlCredentials SplitCredentials(const std::string& address) {
    TUrlCredentials split;
    split.Address = address;
    const std::size_t scheme = address.find("://");
    const std::size_t firstSeparator = address.find_first_of("/?#");
    const std::size_t from =
        scheme != std::string::npos && scheme < firstSeparator ? scheme + 3 : 0;
    const std::size_t to = address.find_first_of("/?#", from);
    const std::size_t at = address.rfind('@', to);
    if (at == std::string::npos || at < from) return split;
    const std::string user = address.substr(from, at - from);
    const std::size_t colon = user.find(':');
    split.User = PercentDecoded(user.substr(0, colon));
    if (colon != std::string::npos) split.Password = PercentDecoded(user.substr(colon + 1));
    split.Address = address.substr(0, from) + address.substr(at + 1);
    split.Given = true;
    return split;
}

std::string WithoutCredentials(const std::string& address) {
    return SplitCredentials(address).Address;
}

} // namespace lumisk
