#pragma once
// The address as it goes out in a request. Users type and paste addresses
// with blanks and letters outside ASCII, which a URL cannot hold raw; the
// stored address stays as typed and only the request carries the encoding.
#include <string>

namespace lumisk {

// The address with every byte after the host that RFC 3986 does not allow
// raw (control characters, the blank, bytes of 0x80 and above, and
// " < > \ ^ ` { | }) written as "%XX". A "%" stays as it is, so an address
// already encoded is not encoded twice. The scheme and the host part are
// left alone: libcurl reads an international host name itself.
std::string RequestUrl(const std::string& address);

} // namespace lumisk
