#include "app/cli/commandcontext.h"

#include "app/cli/stopsignals.h"

#include <stdexcept>

namespace lumisk::cli {

TCommandContext::TCommandContext(std::FILE* out, TProgressLine& progress, TDataFolder* data)
    : out_(out), progress_(progress), data_(data) {}

void TCommandContext::Print(const std::string& text) const {
    progress_.Clear();
    std::fwrite(text.data(), 1, text.size(), out_);
    std::fflush(out_);
}

void TCommandContext::Say(const std::string& text) const {
    std::string line = "lumisk: " + text;
    if (!line.empty() && line.back() == '\n') line.pop_back();
    progress_.Line(line);
}

bool TCommandContext::StopRequested() const {
    return TStopSignals::Requested();
}

int TCommandContext::StopWakeFd() const {
    return TStopSignals::WakeFd();
}

TDataFolder& TCommandContext::Data() const {
    if (!data_) throw std::logic_error("this command declared that it uses no data folder");
    return *data_;
}

} // namespace lumisk::cli
