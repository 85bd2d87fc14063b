#include "retrieval/multipartstream.h"

#include <algorithm>
#include <cctype>

namespace lumisk {

namespace {

// Room for the boundary line, the part's headers and what a camera sends
// before its first part, on top of the cap of the part itself.
constexpr std::int64_t kLineRoom = 64 * 1024;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Trimmed(const std::string& text) {
    const std::size_t from = text.find_first_not_of(" \t");
    if (from == std::string::npos) return {};
    return text.substr(from, text.find_last_not_of(" \t") - from + 1);
}

bool StartsWith(const std::string& text, const std::string& start) {
    return text.compare(0, start.size(), start) == 0;
}

// After the boundary a line may hold only blanks, or "--" for the last one.
bool EndsBoundaryLine(const std::string& rest) {
    return Trimmed(rest).empty() || StartsWith(rest, "--");
}

} // namespace

TMultipartStream::TMultipartStream(std::string boundary, std::int64_t maxPartBytes)
    : boundary_(std::move(boundary)), maxPartBytes_(maxPartBytes) {}

TMultipartStream::TState TMultipartStream::Feed(const char* data, std::size_t size) {
    if (state_ != TState::Reading) return state_;
    buffer_.append(data, size);
    Move();
    if (state_ == TState::Reading &&
        static_cast<std::int64_t>(buffer_.size()) > maxPartBytes_ + kLineRoom)
        state_ = TState::TooLarge;
    return state_;
}

void TMultipartStream::Move() {
    while (state_ == TState::Reading) {
        switch (phase_) {
        case TPhase::Preamble:
            if (!FindBoundary()) return;
            break;
        case TPhase::Headers:
            if (!ReadHeaders()) return;
            break;
        case TPhase::Body:
            return ReadBody();
        }
    }
}

// Where the line that begins at at_ ends, or npos while it has not ended.
// Bytes already looked at are not looked at again: a stream without line
// ends costs no more than one pass.
std::size_t TMultipartStream::NextLineEnd() {
    const std::size_t end = buffer_.find('\n', std::max(at_, lineSearch_));
    lineSearch_ = end == std::string::npos ? buffer_.size() : end + 1;
    return end;
}

// True once the first boundary line has been read whole.
bool TMultipartStream::FindBoundary() {
    for (std::size_t end; (end = NextLineEnd()) != std::string::npos;) {
        std::string line = buffer_.substr(at_, end - at_);
        at_ = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (boundary_.empty()) {
            if (!StartsWith(line, "--")) continue;
            delimiter_ = Trimmed(line);
        } else if (const std::string dashed = "--" + boundary_;
                   StartsWith(line, dashed) && EndsBoundaryLine(line.substr(dashed.size()))) {
            delimiter_ = dashed;
        } else if (StartsWith(boundary_, "--") && StartsWith(line, boundary_) &&
                   EndsBoundaryLine(line.substr(boundary_.size()))) {
            delimiter_ = boundary_;
        } else {
            continue;
        }
        if (!boundary_.empty() && StartsWith(line.substr(delimiter_.size()), "--")) {
            state_ = TState::Ended;
            return false;
        }
        phase_ = TPhase::Headers;
        return true;
    }
    return false;
}

// True once the blank line that ends the part's headers has been read.
bool TMultipartStream::ReadHeaders() {
    for (std::size_t end; (end = NextLineEnd()) != std::string::npos;) {
        std::string line = buffer_.substr(at_, end - at_);
        at_ = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) {
            phase_ = TPhase::Body;
            search_ = at_;
            return true;
        }
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos || Lower(Trimmed(line.substr(0, colon))) != "content-length")
            continue;
        const std::string value = Trimmed(line.substr(colon + 1));
        if (value.empty() || value.size() > 18 ||
            value.find_first_not_of("0123456789") != std::string::npos)
            continue; // a length that is no number is as good as none
        length_ = std::stoll(value);
        if (length_ > maxPartBytes_) {
            state_ = TState::TooLarge;
            return false;
        }
    }
    return false;
}

void TMultipartStream::ReadBody() {
    const std::size_t have = buffer_.size() - at_;
    if (length_ >= 0) {
        if (have >= static_cast<std::size_t>(length_)) Complete(static_cast<std::size_t>(length_));
        return;
    }
    const std::size_t found = buffer_.find(delimiter_, search_);
    if (found == std::string::npos) {
        // The next search starts where a boundary cut in two may begin.
        const std::size_t keep = std::min(buffer_.size(), delimiter_.size() - 1);
        search_ = std::max(at_, buffer_.size() - keep);
        return;
    }
    std::size_t end = found;
    if (end > at_ && buffer_[end - 1] == '\n') {
        --end;
        if (end > at_ && buffer_[end - 1] == '\r') --end;
    }
    Complete(end - at_);
}

void TMultipartStream::Complete(std::size_t length) {
    if (static_cast<std::int64_t>(length) > maxPartBytes_) {
        state_ = TState::TooLarge;
        return;
    }
    part_ = buffer_.substr(at_, length);
    buffer_.clear();
    buffer_.shrink_to_fit();
    state_ = TState::Complete;
}

std::optional<std::string> TMultipartStream::StreamBoundary(const std::string& contentType) {
    std::size_t at = contentType.find(';');
    if (Lower(Trimmed(contentType.substr(0, at))) != "multipart/x-mixed-replace")
        return std::nullopt;
    while (at != std::string::npos) {
        const std::size_t nameFrom = at + 1;
        const std::size_t equals = contentType.find_first_of("=;", nameFrom);
        if (equals == std::string::npos || contentType[equals] == ';') {
            at = equals;
            continue;
        }
        const std::string name = Lower(Trimmed(contentType.substr(nameFrom, equals - nameFrom)));
        std::string value;
        std::size_t valueFrom = contentType.find_first_not_of(" \t", equals + 1);
        if (valueFrom != std::string::npos && contentType[valueFrom] == '"') {
            const std::size_t close = contentType.find('"', valueFrom + 1);
            value = contentType.substr(valueFrom + 1, close == std::string::npos
                                                          ? std::string::npos
                                                          : close - valueFrom - 1);
            at = close == std::string::npos ? close : contentType.find(';', close);
        } else {
            at = contentType.find(';', equals);
            value = Trimmed(contentType.substr(
                equals + 1, at == std::string::npos ? std::string::npos : at - equals - 1));
        }
        if (name == "boundary") return value;
    }
    return std::string();
}

} // namespace lumisk
