#pragma once
#include <map>
#include <string>
#include <string_view>
#include <vector>

// The WebDAV answers a CalDAV server gives (RFC 4918 multistatus, RFC 6578
// sync-collection, RFC 4791 reports), read with the namespaces resolved:
// servers name them with prefixes of their own choice or as the default.
namespace net {

// Element names are written as namespace, "|", local name.
extern const char* const DAV_NS;    // "DAV:"
extern const char* const CALDAV_NS; // "urn:ietf:params:xml:ns:caldav"
extern const char* const CS_NS;     // "http://calendarserver.org/ns/"
std::string davName(const char* ns, const char* local);

// One property of a response: the text of the element and of everything in
// it, the names of its child elements, and the hrefs anywhere inside it.
struct DavProp {
    std::string text;
    std::vector<std::string> children;
    std::vector<std::string> hrefs;
    bool hasChild(const std::string& name) const;
};

// One response of a multistatus.
struct DavResponse {
    std::vector<std::string> hrefs;
    // The status of the response itself (a removed member's 404, a 507 on
    // the request URI when an answer was cut short); 0 when it has none.
    int status = 0;
    // The properties of its propstats with a 2xx status, and the others with
    // theirs (a property the resource does not have: 404).
    std::map<std::string, DavProp> props;
    std::map<std::string, int> failedProps;
    const DavProp* prop(const std::string& name) const;
};

// A multistatus, or the error element that names the failed preconditions.
struct Multistatus {
    std::string root; // the document element's name
    std::vector<DavResponse> responses;
    std::string syncToken;               // the multistatus's own DAV:sync-token (sync-collection)
    std::vector<std::string> conditions; // the child elements of a DAV:error root
};

// Reads text. Results: 0; -1 it is not well-formed XML, it declares a
// document type (entities would let a small answer grow without end), or
// it nests deeper than 64 elements (error says which).
int parseMultistatus(std::string_view text, Multistatus& out, std::string& error);

// The code of a status line ("HTTP/1.1 404 Not Found" gives 404); 0 when it
// holds none.
int statusCode(std::string_view line);

} // namespace net
