#include "retrieval/cookiejar.h"

#include "retrieval/httperror.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <vector>

namespace lumisk {

namespace {

// The host a cookie line of libcurl's list belongs to: its first field,
// "domain", in the Netscape layout, where an HttpOnly cookie is marked by a
// prefix and a domain cookie by a leading dot.
std::string HostOf(const std::string& line) {
    std::string host = line.substr(0, line.find('\t'));
    const std::string httpOnly = "#HttpOnly_";
    if (host.compare(0, httpOnly.size(), httpOnly) == 0) host.erase(0, httpOnly.size());
    if (!host.empty() && host[0] == '.') host.erase(0, 1);
    std::transform(host.begin(), host.end(), host.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return host;
}

} // namespace

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

void TCookieJar::Trim(CURL* easy) const {
    curl_slist* list = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_COOKIELIST, &list) != CURLE_OK) return;
    // libcurl lists the cookies of one host in the order they were first set.
    std::vector<std::pair<std::string, std::string>> cookies;
    std::map<std::string, int> count;
    for (const curl_slist* item = list; item; item = item->next) {
        cookies.emplace_back(HostOf(item->data), item->data);
        ++count[cookies.back().first];
    }
    curl_slist_free_all(list);
    if (std::none_of(count.begin(), count.end(),
                     [](const auto& host) { return host.second > MaxCookiesPerHost; }))
        return;
    // libcurl removes no single cookie: the jar is emptied and refilled with
    // the cookies kept.
    curl_easy_setopt(easy, CURLOPT_COOKIELIST, "ALL");
    for (const auto& [host, line] : cookies) {
        if (count[host]-- > MaxCookiesPerHost) continue;
        curl_easy_setopt(easy, CURLOPT_COOKIELIST, line.c_str());
    }
}

} // namespace lumisk
