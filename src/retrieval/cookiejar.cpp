#include "retrieval/cookiejar.h"

#include "retrieval/httperror.h"

namespace lumisk {

TCookieJar::TCookieJar() : share_(curl_share_init()) {
    if (!share_ ||
        curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE) != CURLSHE_OK) {
        if (share_) curl_share_cleanup(share_);
        throw EHttpError(THttpFailure::Transfer, "Cannot start the HTTP client");
    }
}

TCookieJar::~TCookieJar() {
    curl_share_cleanup(share_);
}

void TCookieJar::Attach(CURL* easy) const {
    curl_easy_setopt(easy, CURLOPT_SHARE, share_);
    curl_easy_setopt(easy, CURLOPT_COOKIEFILE, ""); // cookie engine on, nothing read
}

} // namespace lumisk
