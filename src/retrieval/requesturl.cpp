#include "retrieval/requesturl.h"

#include <algorithm>
#include <cstring>

namespace lumisk {

namespace {

bool NeedsEncoding(unsigned char c) {
    return c <= 0x20 || c >= 0x7F || std::strchr("\"<>\\^`{|}", c) != nullptr;
}

} // namespace

std::string RequestUrl(const std::string& address) {
    const std::size_t scheme = address.find("://");
    const std::size_t hostFrom = scheme == std::string::npos ? 0 : scheme + 3;
    const std::size_t pathFrom = std::min(address.find_first_of("/?#", hostFrom), address.size());
    std::string url = address.substr(0, pathFrom);
    static const char Hex[] = "0123456789ABCDEF";
    for (std::size_t i = pathFrom; i < address.size(); ++i) {
        const auto c = static_cast<unsigned char>(address[i]);
        if (!NeedsEncoding(c)) {
            url += static_cast<char>(c);
            continue;
        }
        url += '%';
        url += Hex[c >> 4];
        url += Hex[c & 0x0F];
    }
    return url;
}

} // namespace lumisk
