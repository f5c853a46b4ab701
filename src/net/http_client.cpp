#include "net/http_client.h"

#include "net/curl_library.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <memory>

namespace net {

namespace {

// libcurl's functions; only called once a URL was made or a handle set up,
// which needs the library loaded.
const CurlLibrary& api() {
    std::string ignored;
    return *curlLibrary(ignored);
}

struct UrlFree {
    void operator()(CURLU* u) const { api().url_cleanup(u); }
};
using Url = std::unique_ptr<CURLU, UrlFree>;

std::string part(CURLU* u, CURLUPart which) {
    char* text = nullptr;
    if (api().url_get(u, which, &text, 0) != CURLUE_OK || !text) return std::string();
    std::string s = text;
    api().free(text);
    return s;
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

bool isLoopback(const std::string& host) {
    return host == "localhost" || host == "[::1]" || host == "::1" || host.rfind("127.", 0) == 0;
}

// text read as a URL, then, when given, href taken against it; null when
// either cannot be read.
Url parsedUrl(const std::string& text, const char* href = nullptr) {
    std::string unloaded;
    if (!curlLibrary(unloaded)) return nullptr;
    Url u(api().url());
    if (!u || api().url_set(u.get(), CURLUPART_URL, text.c_str(), 0) != CURLUE_OK ||
        (href && api().url_set(u.get(), CURLUPART_URL, href, 0) != CURLUE_OK))
        return nullptr;
    return u;
}

struct Collect {
    HttpResponse* response;
    bool tooLarge = false;
};

size_t onBody(char* data, size_t size, size_t n, void* user) {
    Collect& c = *static_cast<Collect*>(user);
    const size_t bytes = size * n;
    if (c.response->body.size() + bytes > HTTP_MAX_BODY) {
        c.tooLarge = true;
        return 0;
    }
    c.response->body.append(data, bytes);
    return bytes;
}

size_t onHeader(char* data, size_t size, size_t n, void* user) {
    Collect& c = *static_cast<Collect*>(user);
    const size_t bytes = size * n;
    const std::string line(data, bytes);
    const std::size_t colon = line.find(':');
    if (line.rfind("HTTP/", 0) == 0) {
        c.response->headers.clear(); // a new answer (after a 100 Continue)
    } else if (colon != std::string::npos) {
        std::string value = line.substr(colon + 1);
        while (!value.empty() && std::isspace(static_cast<unsigned char>(value.back())))
            value.pop_back();
        const std::size_t first = value.find_first_not_of(" \t");
        c.response->headers[lower(line.substr(0, colon))] =
            first == std::string::npos ? std::string() : value.substr(first);
    }
    return bytes;
}

// A request's progress: it ends when its cancel flag turned true.
int onProgress(void* cancel, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<const std::atomic<bool>*>(cancel)->load() ? 1 : 0;
}

} // namespace

std::string HttpResponse::header(const std::string& lowerName) const {
    const auto it = headers.find(lowerName);
    return it == headers.end() ? std::string() : it->second;
}

bool urlAllowed(const std::string& url, std::string& error) {
    if (!curlLibrary(error)) return false;
    const Url u = parsedUrl(url);
    if (!u) {
        error = "\"" + url + "\" is not a URL";
        return false;
    }
    const std::string scheme = lower(part(u.get(), CURLUPART_SCHEME));
    const std::string host = lower(part(u.get(), CURLUPART_HOST));
    if (scheme == "https") return true;
    if (scheme == "http" && isLoopback(host)) return true;
    error = scheme == "http"
                ? "plain http: is used only on this computer (localhost); the server " + host +
                      " needs https:"
                : "\"" + url + "\" is neither an https: nor an http: URL";
    return false;
}

std::string resolveUrl(const std::string& base, const std::string& href) {
    const Url u = parsedUrl(base, href.c_str());
    return u ? part(u.get(), CURLUPART_URL) : std::string();
}

std::string pathOf(const std::string& url) {
    const Url u = parsedUrl(url);
    return u ? part(u.get(), CURLUPART_PATH) : std::string();
}

std::string originOf(const std::string& url) {
    const Url u = parsedUrl(url);
    if (!u) return std::string();
    const std::string port = part(u.get(), CURLUPART_PORT);
    return lower(part(u.get(), CURLUPART_SCHEME)) + "://" + lower(part(u.get(), CURLUPART_HOST)) +
           (port.empty() ? "" : ":" + port);
}

HttpClient::HttpClient(HttpOptions o) : options(std::move(o)) {
    if (curlLibrary(loadError)) curl = api().easy_init();
}

HttpClient::~HttpClient() {
    if (curl) api().easy_cleanup(curl);
}

int HttpClient::send(const HttpRequest& request, HttpResponse& response, std::string& error) {
    response = HttpResponse();
    if (!curl) {
        error = loadError.empty() ? "the HTTP library could not be set up" : loadError;
        return -1;
    }
    if (!urlAllowed(request.url, error)) return -1;
    api().easy_reset(curl);
    Collect collect{&response};
    curl_slist* headers = nullptr;
    for (const auto& [name, value] : request.headers)
        headers = api().slist_append(headers, (name + ": " + value).c_str());
    // No "Expect: 100-continue" pause before a body.
    headers = api().slist_append(headers, "Expect:");
    char curlError[CURL_ERROR_SIZE] = "";
    api().easy_setopt(curl, CURLOPT_URL, request.url.c_str());
    api().easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    api().easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    api().easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    api().easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!options.caFile.empty()) api().easy_setopt(curl, CURLOPT_CAINFO, options.caFile.c_str());
    api().easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, options.connectSeconds);
    api().easy_setopt(curl, CURLOPT_TIMEOUT, options.totalSeconds);
    api().easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    api().easy_setopt(curl, CURLOPT_ERRORBUFFER, curlError);
    api().easy_setopt(curl, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    if (!request.body.empty() || request.method == "PUT") {
        api().easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.data());
        api().easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(request.body.size()));
    }
    if (request.method == "HEAD") api().easy_setopt(curl, CURLOPT_NOBODY, 1L);
    if (!options.user.empty()) {
        api().easy_setopt(curl, CURLOPT_USERNAME, options.user.c_str());
        api().easy_setopt(curl, CURLOPT_PASSWORD, options.password.c_str());
        api().easy_setopt(curl, CURLOPT_HTTPAUTH, long(CURLAUTH_BASIC | CURLAUTH_DIGEST));
    }
    api().easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    api().easy_setopt(curl, CURLOPT_WRITEFUNCTION, onBody);
    api().easy_setopt(curl, CURLOPT_WRITEDATA, &collect);
    api().easy_setopt(curl, CURLOPT_HEADERFUNCTION, onHeader);
    api().easy_setopt(curl, CURLOPT_HEADERDATA, &collect);
    if (options.cancel) {
        api().easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        api().easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, onProgress);
        api().easy_setopt(curl, CURLOPT_XFERINFODATA,
                          const_cast<std::atomic<bool>*>(options.cancel));
    }
    ++sent;
    last = 0;
    const auto start = std::chrono::steady_clock::now();
    const CURLcode r = api().easy_perform(curl);
    waited += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    api().slist_free_all(headers);
    if (r != CURLE_OK) {
        error = r == CURLE_ABORTED_BY_CALLBACK ? "the request was ended"
                : collect.tooLarge             ? "the answer is larger than 256 MB"
                                   : std::string(curlError[0] ? curlError : api().easy_strerror(r));
        return -1;
    }
    api().easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response.status);
    last = response.status;
    return 0;
}

} // namespace net
