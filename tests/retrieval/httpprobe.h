#pragma once
// Shared by the HTTP client tests: records a client's events and body, and
// runs a request to tell its failure kind.
#include "retrieval/httpclient.h"
#include "retrieval/httperror.h"
#include "util/events.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lumisk::test {

struct THttpProbe {
    explicit THttpProbe(THttpClient& client) {
        client.OnConnected = [this] { ++Connects; };
        client.OnDisconnected = [this] { ++Disconnects; };
        client.OnWorkBegin = [this](TWorkMode mode, std::int64_t max) {
            Begins.push_back(max);
            Modes.push_back(mode);
        };
        client.OnWork = [this](TWorkMode mode, std::int64_t count) {
            Works.push_back(count);
            Modes.push_back(mode);
        };
    }
    THttpClient::TSink Sink() {
        return [this](const char* data, std::size_t size) {
            Body.append(data, size);
            Blocks.push_back(size);
        };
    }
    std::string Body;
    std::vector<std::size_t> Blocks;
    int Connects = 0;
    int Disconnects = 0;
    std::vector<std::int64_t> Begins;
    std::vector<std::int64_t> Works;
    std::vector<TWorkMode> Modes;
};

struct TOutcome {
    std::optional<THttpFailure> Failure; // nothing: the request succeeded
    int Status = 0;
    std::int64_t Bytes = 0;
    std::vector<std::string> Lines;
};

inline TOutcome GetOutcome(THttpClient& client, const std::string& url,
                           const THttpClient::TSink& sink) {
    TOutcome o;
    try {
        o.Bytes = client.Get(url, sink);
    } catch (const EHttpError& e) {
        o.Failure = e.Failure();
        o.Status = e.Status();
    }
    return o;
}

inline TOutcome HeadOutcome(THttpClient& client, const std::string& url) {
    TOutcome o;
    try {
        o.Lines = client.Head(url);
    } catch (const EHttpError& e) {
        o.Failure = e.Failure();
        o.Status = e.Status();
    }
    return o;
}

// Removes a pending-events hook at the end of a test.
struct THookGuard {
    ~THookGuard() { SetPendingEventsHook(nullptr); }
};

inline std::int64_t MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

} // namespace lumisk::test
