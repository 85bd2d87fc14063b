#include "app/cli/progressline.h"

#include <chrono>
#include <cstdlib>
#include <sys/ioctl.h>
#include <unistd.h>

namespace lumisk::cli {

namespace {

constexpr double kRedrawSeconds = 0.1;

std::string RateText(double perSecond) {
    char text[32];
    if (perSecond >= 1)
        std::snprintf(text, sizeof text, "%.1f/s", perSecond);
    else if (perSecond * 60 >= 1)
        std::snprintf(text, sizeof text, "%.1f/min", perSecond * 60);
    else
        std::snprintf(text, sizeof text, "%.1f/h", perSecond * 3600);
    return text;
}

// The first bytes of text that fit in columns, never ending inside a UTF-8
// character (other bytes count one column each).
std::string Cut(const std::string& text, std::size_t columns) {
    if (text.size() <= columns) return text;
    std::size_t end = columns;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

} // namespace

TProgressLine::TProgressLine(std::FILE* out, bool terminal, int width,
                             std::function<double()> clock)
    : out_(out), terminal_(terminal), width_(width), clock_(std::move(clock)) {}

TProgressLine TProgressLine::ForStderr() {
    int width = 80;
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        width = size.ws_col;
    } else if (const char* columns = std::getenv("COLUMNS")) {
        if (int n = std::atoi(columns); n > 0) width = n;
    }
    return TProgressLine(stderr, isatty(STDERR_FILENO) == 1, width, [] {
        using namespace std::chrono;
        return duration<double>(steady_clock::now().time_since_epoch()).count();
    });
}

void TProgressLine::Start(const std::string& what, std::int64_t total) {
    Finish();
    running_ = true;
    what_ = what;
    total_ = total;
    done_ = -1;
    note_.clear();
    started_ = clock_();
    lastDraw_ = -1;
}

void TProgressLine::Update(std::int64_t done, const std::string& note) {
    if (!running_) return;
    const bool grew = done > done_;
    done_ = done;
    note_ = note;
    if (!terminal_) {
        if (grew) std::fprintf(out_, "%s\n", Text(done, note).c_str());
        std::fflush(out_);
        return;
    }
    const double now = clock_();
    if (lastDraw_ >= 0 && now - lastDraw_ < kRedrawSeconds && !(total_ > 0 && done >= total_))
        return;
    lastDraw_ = now;
    Draw(Text(done, note));
}

void TProgressLine::Line(const std::string& text) {
    const bool redraw = drawn_;
    Erase();
    std::fprintf(out_, "%s\n", text.c_str());
    if (redraw) Draw(Text(done_, note_));
    std::fflush(out_);
}

void TProgressLine::Finish() {
    if (drawn_) {
        Draw(Text(done_, note_));
        std::fputc('\n', out_);
        std::fflush(out_);
    }
    drawn_ = false;
    running_ = false;
}

void TProgressLine::Clear() {
    Erase();
    std::fflush(out_);
}

std::string TProgressLine::DurationText(double seconds) {
    const long long whole = seconds < 0 ? 0 : static_cast<long long>(seconds + 0.5);
    char text[48];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    return text;
}

std::string TProgressLine::Text(std::int64_t done, const std::string& note) const {
    if (done < 0) done = 0;
    std::string text = std::to_string(done);
    if (total_ > 0) text += "/" + std::to_string(total_);
    text += " " + what_;
    if (total_ > 0) text += "  " + std::to_string(done * 100 / total_) + "%";
    const double elapsed = clock_() - started_;
    if (done > 0 && elapsed > 0) {
        text += "  " + RateText(done / elapsed);
        if (total_ > done) text += "  " + DurationText(elapsed / done * (total_ - done)) + " left";
    }
    if (!note.empty()) text += "  " + note;
    return text;
}

void TProgressLine::Draw(const std::string& text) {
    // One column stays free: a line that fills the width makes some
    // terminals wrap before the carriage return.
    const std::size_t columns = width_ > 1 ? static_cast<std::size_t>(width_ - 1) : 1;
    std::fprintf(out_, "\r%s\x1b[K", Cut(text, columns).c_str());
    std::fflush(out_);
    drawn_ = true;
}

void TProgressLine::Erase() {
    if (!drawn_) return;
    std::fputs("\r\x1b[K", out_);
    drawn_ = false;
}

} // namespace lumisk::cli
