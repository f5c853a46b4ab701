#include "net/dav_client.h"

#include "common/text.h"
#include "net/multistatus.h"

#include <map>

namespace net {

namespace {

const char* const XML_HEAD = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";

std::string xmlEscaped(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

bool isRedirect(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

const std::string& davProp(const char* local) {
    static thread_local std::map<std::string, std::string> names;
    std::string& n = names[local];
    if (n.empty()) n = davName(DAV_NS, local);
    return n;
}

// The text of a property of r, trimmed; empty when it has none.
std::string propText(const DavResponse& r, const std::string& name) {
    const DavProp* p = r.prop(name);
    return p ? trim(p->text) : std::string();
}

std::string firstHref(const DavResponse& r, const std::string& name) {
    const DavProp* p = r.prop(name);
    return p && !p->hrefs.empty() ? p->hrefs[0] : std::string();
}

// The same URL, the trailing slash of a collection aside.
bool sameResource(const std::string& a, const std::string& b) {
    auto strip = [](std::string s) {
        while (!s.empty() && s.back() == '/')
            s.pop_back();
        return s;
    };
    return strip(a) == strip(b);
}

int refusedBy(const HttpResponse& response, const char* what, std::string& error) {
    error = std::string(what) + ": the server answered " + std::to_string(response.status);
    if (response.status == 401) error += " (it did not take the user name and password)";
    return response.status == 412 ? DAV_PRECONDITION : DAV_REFUSED;
}

constexpr std::size_t FETCH_BATCH = 50;
constexpr int MAX_REDIRECTS = 5;
constexpr int MAX_PAGES = 100000;

} // namespace

int DavClient::ask(const char* method, const std::string& url, const char* depth,
                   const std::string& xml, Multistatus& out, std::string& error) {
    std::string at = url;
    HttpResponse response;
    for (int redirects = 0;; ++redirects) {
        HttpRequest request;
        request.method = method;
        request.url = at;
        request.headers = {{"Content-Type", "application/xml; charset=utf-8"}, {"Depth", depth}};
        request.body = XML_HEAD + xml;
        if (http.send(request, response, error) != 0) return DAV_FAILED;
        if (!isRedirect(response.status)) break;
        // Discovery follows redirects on the same server only, so that the
        // password goes nowhere else.
        const std::string next = resolveUrl(at, response.header("location"));
        if (redirects == MAX_REDIRECTS || next.empty() || originOf(next) != originOf(at)) {
            error = std::string(method) + " " + at + ": redirected to another server (" +
                    response.header("location") + ")";
            return DAV_REFUSED;
        }
        at = next;
    }
    if (response.status == 403 || response.status == 409) {
        Multistatus failed;
        std::string ignored;
        if (parseMultistatus(response.body, failed, ignored) == 0)
            for (const std::string& c : failed.conditions)
                if (c == davProp("valid-sync-token")) {
                    error = "the server no longer knows the sync token";
                    return DAV_TOKEN_REFUSED;
                }
    }
    if (response.status != 207) return refusedBy(response, method, error);
    if (parseMultistatus(response.body, out, error) != 0) {
        error = std::string(method) + " " + at + ": " + error;
        return DAV_FAILED;
    }
    for (DavResponse& r : out.responses) {
        for (std::string& h : r.hrefs)
            h = resolveUrl(at, h);
        for (auto& [name, prop] : r.props)
            for (std::string& h : prop.hrefs)
                h = resolveUrl(at, h);
    }
    return DAV_OK;
}

int DavClient::discover(const std::string& url, std::string& home, std::string& error) {
    static const std::string findHome = "<D:propfind xmlns:D=\"DAV:\" "
                                        "xmlns:C=\"urn:ietf:params:xml:ns:caldav\"><D:prop>"
                                        "<D:current-user-principal/><C:calendar-home-set/>"
                                        "</D:prop></D:propfind>";
    const std::string homeSet = davName(CALDAV_NS, "calendar-home-set");
    // The URL given, then the well-known one on its server. A server that
    // answered and refused is told apart from one that did not answer.
    int result = DAV_FAILED;
    for (const std::string& at : {url, resolveUrl(url, "/.well-known/caldav")}) {
        Multistatus ms;
        const int asked = at.empty() ? DAV_FAILED : ask("PROPFIND", at, "0", findHome, ms, error);
        if (asked == DAV_REFUSED) result = asked;
        if (asked != DAV_OK || ms.responses.empty()) continue;
        home = firstHref(ms.responses[0], homeSet);
        if (!home.empty()) return DAV_OK;
        const std::string principal = firstHref(ms.responses[0], davProp("current-user-principal"));
        if (principal.empty()) continue;
        Multistatus ofPrincipal;
        const int r = ask("PROPFIND", principal, "0", findHome, ofPrincipal, error);
        if (r != DAV_OK) return r;
        if (!ofPrincipal.responses.empty()) home = firstHref(ofPrincipal.responses[0], homeSet);
        if (!home.empty()) return DAV_OK;
    }
    if (error.empty() || home.empty())
        error =
            "no CalDAV calendars were found at " + url + (error.empty() ? "" : " (" + error + ")");
    return result;
}

int DavClient::calendars(const std::string& home, std::vector<DavCollection>& out,
                         std::string& error) {
    out.clear();
    Multistatus ms;
    const int r = ask("PROPFIND", home, "1",
                      "<D:propfind xmlns:D=\"DAV:\" xmlns:CS=\"http://calendarserver.org/ns/\">"
                      "<D:prop><D:resourcetype/><D:displayname/><D:sync-token/><CS:getctag/>"
                      "</D:prop></D:propfind>",
                      ms, error);
    if (r != DAV_OK) return r;
    const std::string calendar = davName(CALDAV_NS, "calendar");
    for (const DavResponse& resp : ms.responses) {
        const DavProp* type = resp.prop(davProp("resourcetype"));
        if (resp.hrefs.empty() || !type || !type->hasChild(calendar)) continue;
        DavCollection c;
        c.url = resp.hrefs[0];
        c.displayName = propText(resp, davProp("displayname"));
        c.syncToken = propText(resp, davProp("sync-token"));
        c.ctag = propText(resp, davName(CS_NS, "getctag"));
        out.push_back(std::move(c));
    }
    return DAV_OK;
}

int DavClient::makeCalendar(const std::string& url, const std::string& displayName,
                            std::string& error) {
    HttpRequest request;
    request.method = "MKCALENDAR";
    request.url = url;
    request.headers = {{"Content-Type", "application/xml; charset=utf-8"}};
    request.body = std::string(XML_HEAD) +
                   "<C:mkcalendar xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:caldav\">"
                   "<D:set><D:prop><D:displayname>" +
                   xmlEscaped(displayName) +
                   "</D:displayname><C:supported-calendar-component-set>"
                   "<C:comp name=\"VEVENT\"/><C:comp name=\"VTODO\"/><C:comp name=\"VJOURNAL\"/>"
                   "</C:supported-calendar-component-set></D:prop></D:set></C:mkcalendar>";
    HttpResponse response;
    if (http.send(request, response, error) != 0) return DAV_FAILED;
    if (response.status == 201) return DAV_OK;
    return refusedBy(response, ("MKCALENDAR " + url).c_str(), error);
}

int DavClient::changesSince(const std::string& collection, const std::string& token,
                            DavChanges& out, std::string& error) {
    out = DavChanges();
    // Later pages say the last word on a member.
    std::map<std::string, std::string> changed; // URL -> ETag; empty: removed
    std::vector<std::string> order;
    std::string from = token;
    for (int page = 0;; ++page) {
        Multistatus ms;
        const int r = ask("REPORT", collection, "0",
                          "<D:sync-collection xmlns:D=\"DAV:\"><D:sync-token>" + xmlEscaped(from) +
                              "</D:sync-token><D:sync-level>1</D:sync-level><D:prop><D:getetag/>"
                              "</D:prop></D:sync-collection>",
                          ms, error);
        if (r != DAV_OK) return r;
        bool truncated = false;
        for (const DavResponse& resp : ms.responses) {
            if (resp.hrefs.empty()) continue;
            const std::string& url = resp.hrefs[0];
            if (sameResource(url, collection)) {
                truncated |= resp.status == 507;
                continue;
            }
            if (!changed.count(url)) order.push_back(url);
            changed[url] = resp.status == 404 ? std::string() : propText(resp, davProp("getetag"));
        }
        if (ms.syncToken.empty()) {
            error = "the server's sync answer has no token";
            return DAV_FAILED;
        }
        from = ms.syncToken;
        if (!truncated) break;
        if (page == MAX_PAGES) {
            error = "the server's sync answer does not end";
            return DAV_FAILED;
        }
    }
    for (const std::string& url : order) {
        const std::string& etag = changed[url];
        if (etag.empty())
            out.removed.push_back(url);
        else
            out.changed.push_back({url, etag, std::string()});
    }
    out.token = from;
    return DAV_OK;
}

int DavClient::members(const std::string& collection, std::vector<DavResource>& out,
                       std::string& error) {
    out.clear();
    Multistatus ms;
    const int r = ask("PROPFIND", collection, "1",
                      "<D:propfind xmlns:D=\"DAV:\"><D:prop><D:resourcetype/><D:getetag/>"
                      "</D:prop></D:propfind>",
                      ms, error);
    if (r != DAV_OK) return r;
    for (const DavResponse& resp : ms.responses) {
        if (resp.hrefs.empty() || sameResource(resp.hrefs[0], collection)) continue;
        const DavProp* type = resp.prop(davProp("resourcetype"));
        if (type && type->hasChild(davProp("collection"))) continue;
        out.push_back({resp.hrefs[0], propText(resp, davProp("getetag")), std::string()});
    }
    return DAV_OK;
}

int DavClient::fetch(const std::string& collection, const std::vector<std::string>& urls,
                     std::vector<DavResource>& out, std::string& error) {
    out.clear();
    const std::string data = davName(CALDAV_NS, "calendar-data");
    for (std::size_t first = 0; first < urls.size(); first += FETCH_BATCH) {
        std::string xml = "<C:calendar-multiget xmlns:D=\"DAV:\" "
                          "xmlns:C=\"urn:ietf:params:xml:ns:caldav\"><D:prop><D:getetag/>"
                          "<C:calendar-data/></D:prop>";
        for (std::size_t i = first; i < urls.size() && i < first + FETCH_BATCH; ++i)
            xml += "<D:href>" + xmlEscaped(pathOf(urls[i])) + "</D:href>";
        xml += "</C:calendar-multiget>";
        Multistatus ms;
        const int r = ask("REPORT", collection, "1", xml, ms, error);
        if (r != DAV_OK) return r;
        for (const DavResponse& resp : ms.responses) {
            const DavProp* text = resp.prop(data);
            if (resp.hrefs.empty() || !text) continue; // gone meanwhile
            out.push_back({resp.hrefs[0], propText(resp, davProp("getetag")), text->text});
        }
    }
    return DAV_OK;
}

int DavClient::put(const std::string& url, const std::string& data, const std::string& ifMatch,
                   std::string& etag, std::string& error) {
    etag.clear();
    HttpRequest request;
    request.method = "PUT";
    request.url = url;
    request.headers = {{"Content-Type", "text/calendar; charset=utf-8"}};
    // The ETag goes back exactly as the server wrote it, quotes included.
    if (ifMatch.empty())
        request.headers.emplace_back("If-None-Match", "*");
    else
        request.headers.emplace_back("If-Match", ifMatch);
    request.body = data;
    HttpResponse response;
    if (http.send(request, response, error) != 0) return DAV_FAILED;
    if (response.status < 200 || response.status > 299)
        return refusedBy(response, ("PUT " + url).c_str(), error);
    etag = response.header("etag");
    return DAV_OK;
}

int DavClient::remove(const std::string& url, const std::string& ifMatch, std::string& error) {
    HttpRequest request;
    request.method = "DELETE";
    request.url = url;
    if (!ifMatch.empty()) request.headers.emplace_back("If-Match", ifMatch);
    HttpResponse response;
    if (http.send(request, response, error) != 0) return DAV_FAILED;
    if ((response.status >= 200 && response.status <= 299) || response.status == 404) return DAV_OK;
    return refusedBy(response, ("DELETE " + url).c_str(), error);
}

} // namespace net
