#pragma once
// The cookies of one HTTP client, kept in memory for the client's life and
// shared by every libcurl transfer handle it attaches (each request runs on a
// transfer handle of its own, so nothing of one response outlives it).
//
// A server can set cookies without end; the jar keeps at most
// MaxCookiesPerHost of them per host (the cookie's domain, without a leading
// dot). When a response pushes a host past that, the cookies that host set
// first are dropped, so its newest ones stay. libcurl itself takes at most 50
// from one response.
//
// Throws EHttpError (Transfer) when libcurl cannot make the jar. Handles
// attached to the jar must be cleaned up before the jar is destroyed.
#include <curl/curl.h>

namespace lumisk {

class TCookieJar {
  public:
    static constexpr int MaxCookiesPerHost = 50;

    TCookieJar();
    ~TCookieJar();
    TCookieJar(const TCookieJar&) = delete;
    TCookieJar& operator=(const TCookieJar&) = delete;

    // Makes easy send and store cookies of this jar.
    void Attach(CURL* easy) const;
    // Drops the oldest cookies of every host over the bound; easy is a
    // handle attached to this jar.
    void Trim(CURL* easy) const;

  private:
    CURLSH* share_ = nullptr;
};

} // namespace lumisk
