#include "util/progressthrottle.h"

#include <algorithm>

namespace lumisk {

void TProgressThrottle::Restart() {
    lastDrawn_.reset();
    held_.reset();
}

bool TProgressThrottle::Offer(const std::string& text, std::int64_t now, bool final) {
    // A clock read before the last drawing (another thread's tick source, a
    // caller's mistake) must not hold texts back for good.
    const bool due = !lastDrawn_ || now - *lastDrawn_ >= interval_ || now < *lastDrawn_;
    if (!due && !final) {
        held_ = text;
        return false;
    }
    held_.reset();
    lastDrawn_ = now;
    return true;
}

std::optional<std::string> TProgressThrottle::TakeHeld(std::int64_t now) {
    if (!held_) return std::nullopt;
    std::optional<std::string> text = std::move(held_);
    held_.reset();
    lastDrawn_ = now;
    return text;
}

std::optional<std::int64_t> TProgressThrottle::HeldDueIn(std::int64_t now) const {
    if (!held_) return std::nullopt;
    if (!lastDrawn_) return 0;
    return std::clamp<std::int64_t>(*lastDrawn_ + interval_ - now, 0, interval_);
}

} // namespace lumisk
