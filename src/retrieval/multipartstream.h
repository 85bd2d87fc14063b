#pragma once
// The first whole part of a "multipart/x-mixed-replace" body, as motion-JPEG
// cameras send their pictures one after another on one connection. Body
// bytes go in as they come; once a part has ended, by its Content-Length or
// by the next boundary line, Part() holds its bytes and the rest of the
// stream is of no interest.
//
// Cameras are loose about the format, so a boundary line may come with or
// without a line end before it and end in CR LF or LF, the boundary
// parameter may already begin with "--", and a part may come with or without
// Content-Length. A part without one ends before the line end (if any) that
// precedes the next boundary.
//
// States: Reading until one of Complete (Part() is valid), TooLarge (a part,
// or the bytes before one, exceed the cap) or Ended (the closing boundary
// came before any part). Nothing here throws.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace lumisk {

class TMultipartStream {
  public:
    enum class TState { Reading, Complete, TooLarge, Ended };

    // boundary: the Content-Type's boundary parameter; "" takes the first
    // line that begins with "--" as the boundary line.
    TMultipartStream(std::string boundary, std::int64_t maxPartBytes);

    TState Feed(const char* data, std::size_t size);
    TState State() const { return state_; }
    const std::string& Part() const { return part_; }

    // The boundary parameter (unquoted, possibly "") of a Content-Type value
    // that names a motion-JPEG stream; nothing for any other type.
    static std::optional<std::string> StreamBoundary(const std::string& contentType);

  private:
    enum class TPhase { Preamble, Headers, Body };

    void Move();
    std::size_t NextLineEnd();
    bool FindBoundary();
    bool ReadHeaders();
    void ReadBody();
    void Complete(std::size_t length);

    std::string boundary_;
    std::int64_t maxPartBytes_;
    TState state_ = TState::Reading;
    TPhase phase_ = TPhase::Preamble;
    std::string buffer_;
    std::string delimiter_;      // the boundary line as the stream writes it
    std::size_t at_ = 0;         // where the current phase reads in buffer_
    std::size_t search_ = 0;     // where the search for the next boundary goes on
    std::size_t lineSearch_ = 0; // where the search for a line end goes on
    std::int64_t length_ = -1;   // the part's Content-Length, -1 when it has none
    std::string part_;
};

} // namespace lumisk
