#pragma once
#include "net/http_client.h"

#include <string>
#include <vector>

// The CalDAV requests of a sync (RFC 4791, RFC 6578, RFC 6764): finding the
// user's calendars, making one, reading what changed, fetching, writing and
// deleting resources with preconditions. URLs are absolute; hrefs as the
// server gives them (usually absolute paths) are resolved against the URL
// they came from.
namespace net {

struct DavCollection {
    std::string url;
    std::string displayName;
    std::string syncToken; // empty when the server offers none
    std::string ctag;      // the calendar server's change tag, when it has one
};

struct DavResource {
    std::string url;
    std::string etag; // as the server wrote it, quotes included
    std::string data; // the iCalendar text, when fetched
};

// What changed in a collection since a sync token.
struct DavChanges {
    std::vector<DavResource> changed; // new or changed members (URL and ETag)
    std::vector<std::string> removed; // URLs of members gone
    std::string token;                // the token to ask from next time
};

// The outcome of a request that the server answered.
enum DavResult : int {
    DAV_OK = 0,
    DAV_FAILED = -1,        // no answer, or one that cannot be read (error says why)
    DAV_PRECONDITION = -2,  // 412: the resource is not as If-Match or If-None-Match said
    DAV_TOKEN_REFUSED = -3, // the sync token is not (or no longer) valid: list all anew
    DAV_REFUSED = -4,       // another 4xx or 5xx (error names the status)
};

class DavClient {
  public:
    explicit DavClient(HttpClient& http) : http(http) {}

    // The calendar home of the user at url (a server's address or the home
    // itself): /.well-known/caldav, then the current user's principal, then
    // its calendar-home-set. Redirects are followed on the same origin only.
    // DAV_REFUSED when the server answered but refused (a wrong password),
    // DAV_FAILED when it did not answer or holds no calendars.
    int discover(const std::string& url, std::string& home, std::string& error);
    // The calendar collections directly in home.
    int calendars(const std::string& home, std::vector<DavCollection>& out, std::string& error);
    // Makes the calendar collection url with a display name, for todos and
    // events.
    int makeCalendar(const std::string& url, const std::string& displayName, std::string& error);
    // What changed since token (empty: every member), following answers cut
    // short (507) until the end.
    int changesSince(const std::string& collection, const std::string& token, DavChanges& out,
                     std::string& error);
    // The members' URLs and ETags, without a token (servers without sync-collection).
    int members(const std::string& collection, std::vector<DavResource>& out, std::string& error);
    // The data and ETags of the resources urls of collection, asked for in
    // batches; a member gone meanwhile is left out.
    int fetch(const std::string& collection, const std::vector<std::string>& urls,
              std::vector<DavResource>& out, std::string& error);
    // Writes the resource: with ifMatch empty only when there is none yet
    // (If-None-Match: *), else only while its ETag is ifMatch. etag gets the
    // new ETag, or empty when the server gave none (it changed the data).
    int put(const std::string& url, const std::string& data, const std::string& ifMatch,
            std::string& etag, std::string& error);
    // Deletes the resource while its ETag is ifMatch; one already gone is DAV_OK.
    int remove(const std::string& url, const std::string& ifMatch, std::string& error);

  private:
    // Sends a WebDAV request with an XML body and reads the multistatus it
    // answers (207), resolving its hrefs against url.
    int ask(const char* method, const std::string& url, const char* depth, const std::string& xml,
            struct Multistatus& out, std::string& error);
    HttpClient& http;
};

} // namespace net
