#pragma once
// Whole numbers from text, as the runtime converts them: optional blanks and
// sign, then decimal digits, or hexadecimal after "$", "0x" or "0X". Anything
// else, or a value outside signed 32 bits, is not a number.
#include <cstdint>
#include <optional>
#include <string>

namespace lumisk {

std::optional<std::int32_t> TryStrToInt(const std::string& text);

// The number, or def when the text is not a number (profile reads).
std::int32_t StrToIntDef(const std::string& text, std::int32_t def);

// The number; throws EConvertError ("'%s' is not a valid integer value").
std::int32_t StrToInt(const std::string& text);

} // namespace lumisk
