// WebDAV answers read with expat, which resolves the namespaces: the parser
// gives each element as its namespace and local name joined by '|'.

#include "net/multistatus.h"

#include "common/text.h"

#include <algorithm>
#include <expat.h>

namespace net {

const char* const DAV_NS = "DAV:";
const char* const CALDAV_NS = "urn:ietf:params:xml:ns:caldav";
const char* const CS_NS = "http://calendarserver.org/ns/";

std::string davName(const char* ns, const char* local) {
    return std::string(ns) + "|" + local;
}

bool DavProp::hasChild(const std::string& name) const {
    return std::find(children.begin(), children.end(), name) != children.end();
}

const DavProp* DavResponse::prop(const std::string& name) const {
    const auto it = props.find(name);
    return it == props.end() ? nullptr : &it->second;
}

int statusCode(std::string_view line) {
    // "HTTP/1.1 404 Not Found": the three digits after the first blank.
    const std::string s = trim(std::string(line));
    const std::size_t blank = s.find(' ');
    if (blank == std::string::npos || s.size() < blank + 4) return 0;
    int code = 0;
    for (std::size_t i = blank + 1; i < blank + 4; ++i) {
        if (s[i] < '0' || s[i] > '9') return 0;
        code = code * 10 + (s[i] - '0');
    }
    return code;
}

namespace {

constexpr std::size_t MAX_DEPTH = 64;

// Where the reader is: the open elements, and what is being collected.
struct Reader {
    XML_Parser parser = nullptr;
    Multistatus* out = nullptr;
    std::string error;
    std::vector<std::string> open; // element names, the document element first
    std::string text;              // the text of the innermost element of interest
    DavResponse response;          // the response being read
    std::map<std::string, DavProp> propstatProps;
    int propstatStatus = 0;
    std::string propName; // the property being read, empty outside one
    DavProp prop;
    std::size_t propDepth = 0; // the depth of that property's element

    const std::string& parent() const {
        static const std::string none;
        return open.size() >= 2 ? open[open.size() - 2] : none;
    }
    void stop(const char* why) {
        if (error.empty()) error = why;
        XML_StopParser(parser, XML_FALSE);
    }
};

const std::string& name(const char* ns, const char* local) {
    static thread_local std::string s;
    s = davName(ns, local);
    return s;
}

void XMLCALL onStart(void* data, const XML_Char* element, const XML_Char**) {
    Reader& r = *static_cast<Reader*>(data);
    if (r.open.size() >= MAX_DEPTH) return r.stop("the answer nests deeper than 64 elements");
    const std::string el = element;
    // A property's children and the hrefs inside it.
    if (!r.propName.empty()) {
        if (r.open.size() == r.propDepth) r.prop.children.push_back(el);
    }
    r.open.push_back(el);
    r.text.clear();
    if (r.open.size() == 1) {
        r.out->root = el;
    } else if (r.open.size() == 2 && el == name(DAV_NS, "response")) {
        r.response = DavResponse();
    } else if (r.parent() == name(DAV_NS, "propstat") && el == name(DAV_NS, "prop")) {
        r.propstatProps.clear();
    } else if (el == name(DAV_NS, "propstat")) {
        r.propstatStatus = 0;
        r.propstatProps.clear();
    } else if (r.propName.empty() && r.parent() == name(DAV_NS, "prop") && r.open.size() == 5) {
        r.propName = el;
        r.prop = DavProp();
        r.propDepth = r.open.size();
    } else if (r.open.size() == 2 && r.open[0] == name(DAV_NS, "error")) {
        r.out->conditions.push_back(el);
    }
}

void XMLCALL onEnd(void* data, const XML_Char* element) {
    Reader& r = *static_cast<Reader*>(data);
    const std::string el = element;
    const std::string& parent = r.parent();
    if (!r.propName.empty()) {
        if (el == name(DAV_NS, "href")) r.prop.hrefs.push_back(trim(r.text));
        if (r.open.size() == r.propDepth) {
            r.propstatProps[r.propName] = std::move(r.prop);
            r.propName.clear();
        }
    } else if (parent == name(DAV_NS, "response") && el == name(DAV_NS, "href")) {
        r.response.hrefs.push_back(trim(r.text));
    } else if (parent == name(DAV_NS, "response") && el == name(DAV_NS, "status")) {
        r.response.status = statusCode(r.text);
    } else if (parent == name(DAV_NS, "propstat") && el == name(DAV_NS, "status")) {
        r.propstatStatus = statusCode(r.text);
    } else if (el == name(DAV_NS, "propstat")) {
        for (auto& [prop, value] : r.propstatProps) {
            if (r.propstatStatus >= 200 && r.propstatStatus < 300)
                r.response.props[prop] = std::move(value);
            else
                r.response.failedProps[prop] = r.propstatStatus;
        }
        r.propstatProps.clear();
    } else if (r.open.size() == 2 && el == name(DAV_NS, "response")) {
        r.out->responses.push_back(std::move(r.response));
    } else if (r.open.size() == 2 && el == name(DAV_NS, "sync-token")) {
        r.out->syncToken = trim(r.text);
    }
    r.open.pop_back();
    r.text.clear();
}

void XMLCALL onText(void* data, const XML_Char* s, int len) {
    Reader& r = *static_cast<Reader*>(data);
    r.text.append(s, std::size_t(len));
    if (!r.propName.empty()) r.prop.text.append(s, std::size_t(len));
}

void XMLCALL onDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    static_cast<Reader*>(data)->stop("the answer declares a document type, which is not read");
}

void XMLCALL onEntity(void* data, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                      const XML_Char*, const XML_Char*, const XML_Char*) {
    static_cast<Reader*>(data)->stop("the answer declares an entity, which is not read");
}

} // namespace

int parseMultistatus(std::string_view text, Multistatus& out, std::string& error) {
    out = Multistatus();
    error.clear();
    XML_Parser parser = XML_ParserCreateNS(nullptr, '|');
    if (!parser) {
        error = "no memory for the XML reader";
        return -1;
    }
    Reader r;
    r.parser = parser;
    r.out = &out;
    XML_SetUserData(parser, &r);
    XML_SetElementHandler(parser, onStart, onEnd);
    XML_SetCharacterDataHandler(parser, onText);
    XML_SetStartDoctypeDeclHandler(parser, onDoctype);
    XML_SetEntityDeclHandler(parser, onEntity);
    // Whatever comes in small pieces: a document over 2 GB is no answer.
    const bool parsed = text.size() < (std::size_t(1) << 31) &&
                        XML_Parse(parser, text.data(), int(text.size()), XML_TRUE) == XML_STATUS_OK;
    if (!parsed) {
        error = !r.error.empty() ? r.error
                                 : std::string("it is not well-formed XML (line ") +
                                       std::to_string(XML_GetCurrentLineNumber(parser)) + ": " +
                                       XML_ErrorString(XML_GetErrorCode(parser)) + ")";
    }
    XML_ParserFree(parser);
    if (!parsed) {
        out = Multistatus();
        return -1;
    }
    return 0;
}

} // namespace net
