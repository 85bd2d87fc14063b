#pragma once
// The cookies of one HTTP client, kept in memory for the client's life and
// shared by every libcurl transfer handle it attaches (each request runs on a
// transfer handle of its own, so nothing of one response outlives it).
//
// Throws EHttpError (Transfer) when libcurl cannot make the jar. Handles
// attached to the jar must be cleaned up before the jar is destroyed.
#include <curl/curl.h>

namespace lumisk {

class TCookieJar {
  public:
    TCookieJar();
    ~TCookieJar();
    TCookieJar(const TCookieJar&) = delete;
    TCookieJar& operator=(const TCookieJar&) = delete;

    // Makes easy send and store cookies of this jar.
    void Attach(CURL* easy) const;

  private:
    CURLSH* share_ = nullptr;
};

} // namespace lumisk
