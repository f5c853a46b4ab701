#pragma once
#include <atomic>
#include <map>
#include <string>
#include <utility>
#include <vector>

typedef void CURL;

// HTTP for talking to a CalDAV server, through libcurl.
namespace net {

struct HttpRequest {
    std::string method = "GET";
    std::string url;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
};

struct HttpResponse {
    long status = 0;
    std::string body;
    // The header fields, names in lower case; a repeated one keeps its last value.
    std::map<std::string, std::string> headers;
    std::string header(const std::string& lowerName) const;
};

// How to reach the server. The password is kept in memory only.
struct HttpOptions {
    std::string user;
    std::string password;
    std::string caFile; // a certificate authority to trust besides the system's
    long connectSeconds = 15;
    long totalSeconds = 300;
    // When set, a request ends (as failed) within about a second of it turning true.
    const std::atomic<bool>* cancel = nullptr;
};

// The largest answer body read; a larger one ends the request.
constexpr std::size_t HTTP_MAX_BODY = std::size_t(256) << 20;

// Whether url may be asked: https to any host, plain http only to the
// loopback host (nothing else would keep the password and the entries
// from everyone on the way). False with error saying why.
bool urlAllowed(const std::string& url, std::string& error);

// href (absolute, or a path, or relative) taken against base; empty when
// either cannot be read.
std::string resolveUrl(const std::string& base, const std::string& href);

// The path of url ("/cal/work/a.ics"), as an href names it; empty when it
// cannot be read.
std::string pathOf(const std::string& url);

// The scheme, host and port of url ("https://example.org:8443"); empty when
// it cannot be read.
std::string originOf(const std::string& url);

// One connection to a server, reused from request to request. Certificates
// are always verified; redirects are not followed (the caller decides).
class HttpClient {
  public:
    explicit HttpClient(HttpOptions options);
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // Sends request. Results: 0 an answer came (of any status); -1 none did
    // (a refused URL, no connection, a certificate not trusted, a timeout, a
    // body too large): error says why.
    int send(const HttpRequest& request, HttpResponse& response, std::string& error);
    // How many requests were sent, and the seconds spent waiting for their
    // answers (the server's and the network's share of a run).
    unsigned requests() const { return sent; }
    double secondsWaiting() const { return waited; }
    // The status of the last answer; 0 when the last request had none.
    long lastStatus() const { return last; }

  private:
    HttpOptions options;
    CURL* curl = nullptr;
    std::string loadError; // why libcurl could not be loaded, when it could not
    unsigned sent = 0;
    double waited = 0;
    long last = 0;
};

} // namespace net
