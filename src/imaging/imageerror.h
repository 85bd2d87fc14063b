#pragma once
// The error every decoder raises when it rejects a file: bad signature, damaged
// or truncated data, unsupported variant, or a picture too large to decode.
#include "util/lumiskerror.h"

#include <string>

namespace lumisk {

class EImageError : public ELumiskError {
  public:
    // format is the type text ("BMP", "GIF", "JPG", "PNG"); reason says why.
    EImageError(const std::string& format, const std::string& reason)
        : ELumiskError("Invalid " + format + " image: " + reason) {}
};

} // namespace lumisk
