// The WebDAV answers as servers write them, and the CalDAV requests of a sync
// against a real Radicale.

#include "net/dav_client.h"
#include "net/multistatus.h"
#include "support/radicale.h"

#include <gtest/gtest.h>

using namespace net;

namespace {

const std::string D = "DAV:|", C = "urn:ietf:params:xml:ns:caldav|";

Multistatus parsed(const std::string& xml) {
    Multistatus ms;
    std::string error;
    EXPECT_EQ(parseMultistatus(xml, ms, error), 0) << error;
    return ms;
}

} // namespace

// The same answer with the default namespace (as Radicale writes it), with
// the prefixes of other servers, a member that is gone, a property the
// resource lacks, and an answer cut short; then what must be refused.
TEST(Multistatus, ReadsEveryServersNamespacesAndRefusesDocumentTypes) {
    const char* forms[] = {
        R"(<?xml version="1.0"?><multistatus xmlns="DAV:" xmlns:C="urn:ietf:params:xml:ns:caldav">
<response><href>/u/cal/a.ics</href><propstat><prop><getetag>"e1"</getetag>
<C:calendar-data>BEGIN:VCALENDAR&#13;
END:VCALENDAR</C:calendar-data></prop><status>HTTP/1.1 200 OK</status></propstat>
<propstat><prop><displayname/></prop><status>HTTP/1.1 404 Not Found</status></propstat></response>
<response><href>/u/cal/gone.ics</href><status>HTTP/1.1 404 Not Found</status></response>
<response><href>/u/cal/</href><status>HTTP/1.1 507 Insufficient Storage</status></response>
<sync-token>http://x/ns/sync/7</sync-token></multistatus>)",
        R"(<d:multistatus xmlns:d="DAV:" xmlns:cal="urn:ietf:params:xml:ns:caldav"><d:response>
<d:href>/u/cal/a.ics</d:href><d:propstat><d:prop><d:getetag>"e1"</d:getetag><cal:calendar-data
>BEGIN:VCALENDAR&#13;
END:VCALENDAR</cal:calendar-data></d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat>
<d:propstat><d:prop><d:displayname/></d:prop><d:status>HTTP/1.1 404 Not Found</d:status>
</d:propstat></d:response><d:response><d:href>/u/cal/gone.ics</d:href><d:status>HTTP/1.1 404
 Not Found</d:status></d:response><d:response><d:href>/u/cal/</d:href><d:status>HTTP/1.1 507
 Insufficient Storage</d:status></d:response><d:sync-token>http://x/ns/sync/7</d:sync-token>
</d:multistatus>)",
    };
    for (const char* xml : forms) {
        SCOPED_TRACE(xml);
        const Multistatus ms = parsed(xml);
        EXPECT_EQ(ms.root, D + "multistatus");
        ASSERT_EQ(ms.responses.size(), 3u);
        const DavResponse& a = ms.responses[0];
        EXPECT_EQ(a.hrefs, std::vector<std::string>{"/u/cal/a.ics"});
        ASSERT_NE(a.prop(D + "getetag"), nullptr);
        EXPECT_EQ(a.prop(D + "getetag")->text, "\"e1\"");
        EXPECT_EQ(a.prop(C + "calendar-data")->text, "BEGIN:VCALENDAR\r\nEND:VCALENDAR");
        EXPECT_EQ(a.prop(D + "displayname"), nullptr);
        EXPECT_EQ(a.failedProps.at(D + "displayname"), 404);
        EXPECT_EQ(ms.responses[1].status, 404);
        EXPECT_EQ(ms.responses[2].status, 507);
        EXPECT_EQ(ms.syncToken, "http://x/ns/sync/7");
        EXPECT_TRUE(ms.conditions.empty()) << "only an error names conditions";
    }
    // Hrefs inside a property, and the child elements that name a type.
    const Multistatus home = parsed(
        R"(<D:multistatus xmlns:D="DAV:"><D:response><D:href>/</D:href><D:propstat><D:prop>
<D:current-user-principal><D:href>/u/</D:href></D:current-user-principal>
<D:sync-token>a property</D:sync-token><D:resourcetype>
<D:collection/><C:calendar xmlns:C="urn:ietf:params:xml:ns:caldav"/></D:resourcetype>
</D:prop><D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response></D:multistatus>)");
    EXPECT_EQ(home.responses.at(0).prop(D + "current-user-principal")->hrefs,
              std::vector<std::string>{"/u/"});
    EXPECT_TRUE(home.responses[0].prop(D + "resourcetype")->hasChild(C + "calendar"));
    EXPECT_EQ(home.responses[0].prop(D + "sync-token")->text, "a property");
    EXPECT_EQ(home.syncToken, "") << "a property's token is not the answer's";
    EXPECT_EQ(parsed(R"(<error xmlns="DAV:"><valid-sync-token/></error>)").conditions,
              std::vector<std::string>{D + "valid-sync-token"});
    EXPECT_EQ(statusCode("HTTP/1.1 404 Not Found"), 404);
    EXPECT_EQ(statusCode("garbage"), 0);

    const struct {
        const char* xml;
        const char* error;
    } refused[] = {
        {R"(<?xml version="1.0"?><!DOCTYPE m [<!ENTITY a "aaaaaaaaaa"><!ENTITY b "&a;&a;&a;&a;">
]><multistatus xmlns="DAV:"><response><href>&b;</href></response></multistatus>)",
         "declares a document type"},
        {"<multistatus xmlns=\"DAV:\"><response>", "not well-formed"},
        {"", "not well-formed"},
    };
    for (const auto& r : refused) {
        Multistatus ms;
        std::string error;
        EXPECT_EQ(parseMultistatus(r.xml, ms, error), -1) << r.xml;
        EXPECT_NE(error.find(r.error), std::string::npos) << error;
        EXPECT_TRUE(ms.responses.empty());
    }
    std::string deep;
    for (int i = 0; i < 70; ++i)
        deep += "<a>";
    Multistatus ms;
    std::string error;
    EXPECT_EQ(parseMultistatus(deep, ms, error), -1);
    EXPECT_NE(error.find("deeper than 64"), std::string::npos) << error;
}

// Plain http: reaches this computer only; hrefs resolve against their URL.
TEST(Http, PlainHttpOnlyToTheLoopbackHost) {
    std::string error;
    EXPECT_TRUE(urlAllowed("https://dav.example.org/cal/", error));
    EXPECT_TRUE(urlAllowed("http://127.0.0.1:5232/", error));
    EXPECT_TRUE(urlAllowed("http://localhost/", error));
    EXPECT_FALSE(urlAllowed("http://dav.example.org/", error));
    EXPECT_NE(error.find("needs https:"), std::string::npos) << error;
    EXPECT_FALSE(urlAllowed("ftp://dav.example.org/", error));
    EXPECT_FALSE(urlAllowed("not a url", error));
    EXPECT_EQ(resolveUrl("https://h.example/a/b/", "/u/c.ics"), "https://h.example/u/c.ics");
    EXPECT_EQ(resolveUrl("https://h.example/a/b/", "c.ics"), "https://h.example/a/b/c.ics");
    EXPECT_EQ(originOf("https://H.example:8443/x"), "https://h.example:8443");
    HttpClient http({});
    HttpResponse response;
    EXPECT_EQ(http.send({"GET", "http://192.0.2.1/", {}, ""}, response, error), -1);
    EXPECT_EQ(http.requests(), 0u) << "a refused URL is never asked";
}

// Every request of a sync against Radicale: discovery, a new calendar, a
// resource written once and only once, updated and deleted only while its
// ETag holds, and what changed since a token.
TEST(DavClient, TalksToARealServerWithPreconditions) {
    RadicaleServer server;
    ASSERT_TRUE(server.running()) << server.log();
    HttpOptions options;
    options.user = "velk";
    options.password = "unused";
    HttpClient http(options);
    DavClient dav(http);
    std::string home, error;
    ASSERT_EQ(dav.discover(server.url(), home, error), DAV_OK) << error;
    EXPECT_EQ(home, server.url() + "velk/");

    const std::string work = home + "work/";
    ASSERT_EQ(dav.makeCalendar(work, "Work & <play>", error), DAV_OK) << error;
    std::vector<DavCollection> calendars;
    ASSERT_EQ(dav.calendars(home, calendars, error), DAV_OK) << error;
    ASSERT_EQ(calendars.size(), 1u);
    EXPECT_EQ(calendars[0].url, work);
    EXPECT_EQ(calendars[0].displayName, "Work & <play>");

    DavChanges all;
    ASSERT_EQ(dav.changesSince(work, "", all, error), DAV_OK) << error;
    EXPECT_TRUE(all.changed.empty());
    const std::string before = all.token;

    const std::string a = work + "a.ics", body =
                                              "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//t//t//EN"
                                              "\r\nBEGIN:VTODO\r\nUID:a-1\r\nDTSTAMP:20240101T0"
                                              "00000Z\r\nSUMMARY:One\r\nEND:VTODO\r\nEND:VCALE"
                                              "NDAR\r\n";
    std::string etag, again;
    ASSERT_EQ(dav.put(a, body, "", etag, error), DAV_OK) << error;
    EXPECT_FALSE(etag.empty());
    EXPECT_EQ(dav.put(a, body, "", again, error), DAV_PRECONDITION) << "written once only";
    EXPECT_EQ(dav.put(a, body, "\"stale\"", again, error), DAV_PRECONDITION);
    std::string updated = body;
    updated.replace(updated.find("One"), 3, "Two");
    ASSERT_EQ(dav.put(a, updated, etag, again, error), DAV_OK) << error;
    EXPECT_NE(again, etag);

    ASSERT_EQ(dav.changesSince(work, before, all, error), DAV_OK) << error;
    ASSERT_EQ(all.changed.size(), 1u);
    EXPECT_EQ(all.changed[0].url, a);
    EXPECT_EQ(all.changed[0].etag, again);
    std::vector<DavResource> fetched;
    ASSERT_EQ(dav.fetch(work, {a, work + "never.ics"}, fetched, error), DAV_OK) << error;
    ASSERT_EQ(fetched.size(), 1u);
    EXPECT_NE(fetched[0].data.find("SUMMARY:Two"), std::string::npos) << fetched[0].data;
    EXPECT_EQ(fetched[0].etag, again);
    std::vector<DavResource> listed;
    ASSERT_EQ(dav.members(work, listed, error), DAV_OK) << error;
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].etag, again);

    EXPECT_EQ(dav.remove(a, etag, error), DAV_PRECONDITION) << "an old ETag deletes nothing";
    ASSERT_EQ(dav.remove(a, again, error), DAV_OK) << error;
    EXPECT_EQ(dav.remove(a, again, error), DAV_OK) << "already gone";
    DavChanges later;
    ASSERT_EQ(dav.changesSince(work, all.token, later, error), DAV_OK) << error;
    EXPECT_EQ(later.removed, std::vector<std::string>{a});
    EXPECT_EQ(dav.changesSince(work, "http://radicale.org/ns/sync/bogus", later, error),
              DAV_TOKEN_REFUSED);
}
