#pragma once
// Which progress texts of a transfer are drawn. Drawing one per received
// block costs more than the transfer itself on a fast network, so after the
// first text at most one is drawn per interval. The newest text held back is
// not lost: it is drawn when its interval is over or before any other text
// takes its place, and a final text (the whole body is there) is drawn at
// once. Times are milliseconds of one monotonic clock, given by the caller.
// Nothing here throws.
#include <cstdint>
#include <optional>
#include <string>

namespace lumisk {

class TProgressThrottle {
  public:
    explicit TProgressThrottle(std::int64_t intervalMs) : interval_(intervalMs) {}

    // A new transfer: its first text is drawn at once.
    void Restart();
    // True when text is to be drawn now (it then counts as drawn); false when
    // it is held back in place of any text held before.
    bool Offer(const std::string& text, std::int64_t now, bool final);
    // The text held back, which the caller draws now, or nothing.
    std::optional<std::string> TakeHeld(std::int64_t now);
    // Milliseconds until the held text is due (0 when it is due already), or
    // nothing when no text is held.
    std::optional<std::int64_t> HeldDueIn(std::int64_t now) const;

  private:
    const std::int64_t interval_;
    std::optional<std::int64_t> lastDrawn_;
    std::optional<std::string> held_;
};

} // namespace lumisk
