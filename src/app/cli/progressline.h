#pragma once
// Progress of a long command on stderr, the way terminal users expect it.
// On a terminal: one line, redrawn in place (at most ten times a second, and
// always for the last item), with the counts, the rate and the time left,
// cut to the terminal's width so that it never wraps; lines printed with
// Line() appear above it. Elsewhere (a log, a pipe): one plain line each
// time the count grows, and the notes that come between are not printed.
// States: idle -> Start() -> running (Update, Line) -> Finish() -> idle.
// The stream is not owned; the clock gives seconds from any fixed origin.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace lumisk::cli {

class TProgressLine {
  public:
    TProgressLine(std::FILE* out, bool terminal, int width, std::function<double()> clock);
    // For stderr: a terminal when isatty(2), as wide as the terminal.
    static TProgressLine ForStderr();

    // Begins counting `what` ("cameras", "frames"); total 0 when unknown.
    void Start(const std::string& what, std::int64_t total);
    // done items finished so far; note says what is going on ("Harbour cam").
    void Update(std::int64_t done, const std::string& note = {});
    // A line that stays (a failure, a warning), printed whole.
    void Line(const std::string& text);
    // Ends the progress line; the next output starts on a fresh line.
    void Finish();
    // Takes the progress line off the screen until the next Update, so that
    // results written to the same terminal start on a clean line.
    void Clear();

    // "1:05", "2:03:04".
    static std::string DurationText(double seconds);

  private:
    std::string Text(std::int64_t done, const std::string& note) const;
    void Draw(const std::string& text);
    void Erase();

    std::FILE* out_;
    bool terminal_;
    int width_;
    std::function<double()> clock_;
    bool running_ = false;
    bool drawn_ = false; // a progress line is on the screen
    std::string what_;
    std::int64_t total_ = 0;
    std::int64_t done_ = -1;
    std::string note_;
    double started_ = 0;
    double lastDraw_ = -1;
};

} // namespace lumisk::cli
