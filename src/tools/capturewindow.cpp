#include "tools/capturewindow.h"

#include "util/lumiskerror.h"

#include <optional>
#include <utility>

namespace lumisk {

namespace {

// Minutes after midnight of "H:MM" or "HH:MM", or nothing.
std::optional<int> ParseTimeOfDay(const std::string& text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos || colon < 1 || colon > 2 || text.size() != colon + 3)
        return std::nullopt;
    int parts[2] = {0, 0};
    const std::string digits[2] = {text.substr(0, colon), text.substr(colon + 1)};
    for (int k = 0; k < 2; ++k)
        for (const char c : digits[k]) {
            if (c < '0' || c > '9') return std::nullopt;
            parts[k] = parts[k] * 10 + (c - '0');
        }
    if (parts[0] > 23 || parts[1] > 59) return std::nullopt;
    return parts[0] * 60 + parts[1];
}

} // namespace

TCaptureWindow TCaptureWindow::Parse(const std::string& from, const std::string& to) {
    const std::optional<int> opens = ParseTimeOfDay(from);
    const std::optional<int> closes = ParseTimeOfDay(to);
    for (const auto& [text, minutes] : {std::pair{&from, opens}, std::pair{&to, closes}})
        if (!minutes)
            throw ELumiskError("'" + *text + "' is not a time of day (HH:MM, 00:00 to 23:59)");
    // Equal times could mean all day or never; neither needs a window.
    if (*opens == *closes)
        throw ELumiskError("The capture window opens and closes at the same time (" + from +
                           "); give two different times");
    return TCaptureWindow(*opens, *closes);
}

bool TCaptureWindow::Contains(const QTime& time) const {
    // The edges are whole minutes, so the minute of the time decides.
    const int minute = time.hour() * 60 + time.minute();
    if (from_ < to_) return from_ <= minute && minute < to_;
    return minute >= from_ || minute < to_;
}

std::string TCaptureWindow::FromText() const {
    const auto two = [](int n) { return std::string(1, char('0' + n / 10)) + char('0' + n % 10); };
    return two(from_ / 60) + ":" + two(from_ % 60);
}

} // namespace lumisk
