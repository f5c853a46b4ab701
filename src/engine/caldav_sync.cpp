// One sync run with a CalDAV server. Each top-level group is one calendar
// collection (the root's own entries go to one named "Velk"); each entry is
// one resource. What changes with an entry (its resource, ETag and the hash
// of what both sides agreed on) is in its record, so that it changes with the
// content in one journal entry; a resource's name is journalled before it is
// written, so that a run that ends anywhere leaves nothing twice.

#include "engine/velk.h"

#include "crypt/random.h"
#include "model/clock.h"
#include "model/sync_ids.h"
#include "net/dav_client.h"
#include "storage/ical_export.h"
#include "storage/ical_import.h"
#include "storage/sync_state.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <ctime>
#include <map>
#include <set>

namespace {

const char* const CONFLICTS = "Sync conflicts";
const char* const ROOT_COLLECTION = "Velk";

// A resource or collection name from text: letters, digits, '-' and '_'.
std::string slug(const std::string& text) {
    std::string s;
    for (unsigned char c : text)
        s += std::isalnum(c) || c == '-' || c == '_' ? char(std::tolower(c)) : '-';
    return s.empty() ? std::string("calendar") : s;
}

void entriesOf(ToDoListGroup& g, bool deep, std::vector<ToDoListToDo*>& out) {
    for (std::size_t i = 0; i < g.getNrToDos(); ++i)
        out.push_back(g.getToDo(i));
    if (!deep) return;
    for (std::size_t i = 0; i < g.getNrGroups(); ++i)
        entriesOf(*g.getGroup(i), true, out);
}

} // namespace

// The state of one run, shared by its steps.
struct Velk::SyncRun {
    Velk& v;
    net::DavClient& dav;
    T_SyncReport& report;
    const std::function<void(const std::string&)>& progress;
    const T_SyncPacing* pacing;
    std::string error;
    std::string calendar; // the name progress tells
    bool changed = false;     // the tree changed since the caller's last turn
    bool interrupted = false; // ended between two steps (SYNC_INTERRUPTED)
    bool heldBack = false;    // an entry being edited was left for the next run
    std::chrono::steady_clock::time_point lastTurn = std::chrono::steady_clock::now();

    // Whether the run may go on after the caller had the thread: not when
    // it asked the run to end, nor when items were removed meanwhile (the
    // run's entries may be among them).
    bool goOn(unsigned long removalsBefore) {
        if (ToDoListGroup::removals() != removalsBefore || (pacing->stopped && pacing->stopped())) {
            interrupted = true;
            error = "the sync was interrupted";
        }
        lastTurn = std::chrono::steady_clock::now();
        return !interrupted;
    }
    // One exchange with the server, through the caller's wait when it paces the run.
    int request(const std::function<int()>& exchange) {
        if (!pacing) return exchange();
        if (interrupted) return net::DAV_FAILED;
        const unsigned long before = ToDoListGroup::removals();
        if (changed && pacing->pause) pacing->pause(true);
        changed = false;
        const int r = pacing->wait ? pacing->wait(exchange) : exchange();
        return goOn(before) ? r : net::DAV_FAILED;
    }
    // A turn of the caller once the run has had the thread for a while.
    // False when the run is to end.
    bool turn() {
        if (!pacing) return true;
        if (std::chrono::steady_clock::now() - lastTurn < std::chrono::milliseconds(8)) return true;
        const unsigned long before = ToDoListGroup::removals();
        if (pacing->pause) pacing->pause(changed);
        changed = false;
        return goOn(before);
    }
    // Whether t is being edited: it is left as it is, for the next run.
    bool held(const ToDoListToDo* t) {
        if (!pacing || !pacing->editing || pacing->editing() != t) return false;
        heldBack = true;
        return true;
    }

    // The calendar's group: below a top-level group the names of an entry's
    // groups go along (X-VELK-PATH).
    bool below = false;

    std::vector<std::string> names(const ToDoListToDo& t) const {
        return v.tree_.root()->getPathNames(t.getPath());
    }
    std::string render(const ToDoListToDo& t, bool fixedStamp) const {
        T_IcsExportReport r;
        const std::vector<std::string> all = names(t);
        const std::vector<std::string> path(all.empty() ? all.end() : all.begin() + 1, all.end());
        return entryICalendar(t, all, nullptr, fixedStamp, r, below ? &path : nullptr);
    }
    // The entry's text as the server is to hold it, and the hash of that
    // text with a fixed stamp: what both sides agree on.
    std::string text(const ToDoListToDo& t) const { return render(t, false); }
    std::string hash(const ToDoListToDo& t) const { return sha256Hex(render(t, true)); }
    // The group at path below group, made where missing (each new group one
    // journal entry), as deep as groups may go.
    ToDoListGroup& groupAt(ToDoListGroup& group, const std::vector<std::string>& path) {
        ToDoListGroup* g = &group;
        for (const std::string& name : path) {
            if (g->getLevel() + 1 >= MAX_GROUP_LEVEL) break;
            ToDoListGroup* next = nullptr;
            for (std::size_t i = 0; i < g->getNrGroups() && !next; ++i)
                if (g->getGroup(i)->getSummary() == name) next = g->getGroup(i);
            if (!next) {
                next = g->newGroup();
                next->setSummary(name);
                numberNewItems(v.tree_.idmax(), *v.tree_.root(), *next, true);
                v.incsave_writeNew(*next, *g);
                changed = true;
            }
            g = next;
        }
        return *g;
    }
    void journal(ToDoListToDo& t) {
        v.incsave_writeChanged(t, false);
        changed = true;
    }
    // The server's resource url of collection; empty when it is gone.
    int fetchOne(const std::string& collection, const std::string& url, net::DavResource& out) {
        std::vector<net::DavResource> got;
        const int r = request([&] { return dav.fetch(collection, {url}, got, error); });
        out = got.empty() ? net::DavResource() : got[0];
        return r;
    }
    // The entry of a resource's text, its other components (occurrences
    // moved elsewhere) left to the server; null when it holds none.
    std::unique_ptr<ToDoListToDo> entryOf(const std::string& data) {
        if (data.empty()) return nullptr;
        std::vector<std::unique_ptr<ToDoListToDo>> entries;
        storage::T_IcsImportReport r;
        if (storage::readICalendarText(data, entries, r) != 0 || entries.empty()) return nullptr;
        for (auto& e : entries)
            if (e->extras().recurrenceId.empty()) return std::move(e);
        return std::move(entries[0]);
    }
    // t takes the content of incoming; its place in the tree, its sync ID
    // and its resource stay.
    void take(ToDoListToDo& t, const ToDoListToDo& incoming, const std::string& etag) {
        ToDoListToDo copy(incoming);
        copy.setID(t.getID());
        copy.setPath(t.getPath());
        copy.setSyncID(t.getSyncID());
        // A description kept enciphered never went to the server: it stays.
        if (t.getDescrData().keptEnciphered()) copy.setDescription(&t.getDescrData());
        T_Calendar& cal = v.tree_.calendar();
        t.removeFromCalLists(cal);
        const std::string resource = t.extras().resource;
        t = copy;
        t.sanitizeTimeThings();
        t.putIntoCalList(cal);
        t.setSyncState(resource, etag, hash(t));
    }
    // A new entry from the server's resource url, in group.
    ToDoListToDo* adopt(ToDoListGroup& group, std::unique_ptr<ToDoListToDo> incoming,
                        const std::string& url, const std::string& etag) {
        ToDoListToDo* made = group.adoptToDo(std::move(incoming));
        made->sanitizeTimeThings();
        made->putIntoCalList(v.tree_.calendar());
        made->setSyncState(url, etag, hash(*made));
        numberNewItems(v.tree_.idmax(), *v.tree_.root(), *made, false);
        v.incsave_writeNew(*made, group);
        changed = true;
        ++report.pulled;
        return made;
    }
    // Keeps the local version of t as a new entry in "Sync conflicts".
    void keepConflict(const ToDoListToDo& t) {
        ToDoListGroup& root = *v.tree_.root();
        ToDoListGroup* group = nullptr;
        for (std::size_t i = 0; i < root.getNrGroups() && !group; ++i)
            if (root.getGroup(i)->getSummary() == CONFLICTS) group = root.getGroup(i);
        const bool made = !group;
        if (made) {
            group = root.newGroup();
            group->setSummary(CONFLICTS);
        }
        auto copy = std::make_unique<ToDoListToDo>(t);
        copy->setUid(std::string());
        copy->setRecurrenceId(std::string());
        copy->setVersion(0, std::string());
        copy->setSyncState(std::string(), std::string(), std::string());
        char day[16];
        const std::time_t now = velkNow();
        std::tm tm{};
        localtime_r(&now, &tm);
        std::strftime(day, sizeof day, "%Y-%m-%d", &tm);
        copy->setSyncID(0);
        copy->setSummary(t.getSummary() + " (conflict, this computer, " + day + ")");
        ToDoListToDo* kept = group->adoptToDo(std::move(copy));
        kept->putIntoCalList(v.tree_.calendar());
        ToDoListItem& joined = made ? static_cast<ToDoListItem&>(*group) : *kept;
        numberNewItems(v.tree_.idmax(), root, joined, made);
        v.incsave_writeNew(joined, made ? root : *group);
        changed = true;
        ++report.conflicts;
    }
    int sync(ToDoListGroup& group, bool deep, storage::T_SyncCollection& c, bool reconcile);
};

int Velk::SyncRun::sync(ToDoListGroup& group, bool deep, storage::T_SyncCollection& c,
                        bool reconcile) {
    below = deep;
    heldBack = false;
    std::vector<ToDoListToDo*> local;
    entriesOf(group, deep, local);
    std::map<std::string, ToDoListToDo*> byResource, byUid;
    for (ToDoListToDo* t : local) {
        if (!t->extras().resource.empty()) byResource[t->extras().resource] = t;
        if (!t->extras().uid.empty()) byUid[t->extras().uid] = t;
    }

    // What changed on the server; without a token (or with one it no
    // longer knows) every member, and what the last run knew and is gone
    // now was removed.
    net::DavChanges changes;
    bool full = c.token.empty() || reconcile;
    int r = request(
        [&] { return dav.changesSince(c.url, full ? std::string() : c.token, changes, error); });
    if (r == net::DAV_TOKEN_REFUSED) {
        full = true;
        r = request([&] { return dav.changesSince(c.url, std::string(), changes, error); });
    }
    if (r != net::DAV_OK) return r;
    if (full) {
        std::set<std::string> listed;
        for (const net::DavResource& m : changes.changed)
            listed.insert(m.url);
        changes.removed.clear();
        if (!reconcile)
            for (const auto& [url, etag] : c.members)
                if (!listed.count(url)) changes.removed.push_back(url);
    }
    std::vector<std::string> wanted;
    for (const net::DavResource& m : changes.changed) {
        const auto known = byResource.find(m.url);
        if (known != byResource.end()) {
            if (known->second->extras().etag != m.etag) wanted.push_back(m.url);
            continue;
        }
        // Not here: new there, or deleted here since the last run, which
        // then saw it as it is (the delete goes up below). After a backup
        // was put back it comes back instead.
        const auto seen = c.members.find(m.url);
        if (reconcile || seen == c.members.end() || seen->second != m.etag) wanted.push_back(m.url);
    }
    std::vector<net::DavResource> fetched;
    if ((r = request([&] { return dav.fetch(c.url, wanted, fetched, error); })) != net::DAV_OK)
        return r;

    // Remote changes come in, each as one journal entry.
    for (const net::DavResource& res : fetched) {
        if (!turn()) return net::DAV_FAILED;
        std::unique_ptr<ToDoListToDo> incoming = entryOf(res.data);
        if (!incoming) {
            ++report.unreadable;
            continue;
        }
        ToDoListToDo* t = byResource.count(res.url)             ? byResource[res.url]
                          : byUid.count(incoming->extras().uid) ? byUid[incoming->extras().uid]
                                                                : nullptr;
        if (!t) {
            // In the group its path names; without a path at the calendar's.
            std::vector<std::string> path;
            ToDoListGroup& target =
                deep && velkPathOf(res.data, path) ? groupAt(group, path) : group;
            byResource[res.url] = adopt(target, std::move(incoming), res.url, res.etag);
            continue;
        }
        if (held(t)) continue;
        // Compared as Velk holds it: what Velk cannot hold (alarms, other
        // programs' properties) is no change here and stays on the server.
        ToDoListToDo theirs(*incoming);
        theirs.setPath(t->getPath());
        const std::string remote = hash(theirs), mine = hash(*t);
        if (remote != t->extras().agreed && mine != t->extras().agreed && mine != remote)
            keepConflict(*t);
        if (remote == t->extras().agreed)
            t->setSyncState(res.url, res.etag, t->extras().agreed);
        else
            take(*t, *incoming, res.etag), ++report.pulled;
        journal(*t);
        byResource[res.url] = t;
    }
    // Removed there: gone here too, unless it was edited here (an edit beats
    // a delete: it goes up again).
    for (const std::string& url : changes.removed) {
        const auto it = byResource.find(url);
        if (it == byResource.end()) continue;
        ToDoListToDo* t = it->second;
        if (!turn()) return net::DAV_FAILED;
        if (held(t)) continue;
        byResource.erase(it);
        if (hash(*t) != t->extras().agreed) {
            t->setSyncState(std::string(), std::string(), std::string());
            journal(*t);
            continue;
        }
        ToDoListGroup* parent = v.tree_.parentOf(*t);
        if (!parent) continue;
        v.incsave_writeDeleted(*t);
        v.forgetReferencesInto(*t, false, *parent);
        parent->delToDo(t, v.tree_.activeJobs(), v.tree_.calendar());
        changed = true;
        ++report.deletedHere;
    }

    // Local changes go up: a new resource only where none is, a change only
    // over the version it was made on.
    local.clear();
    entriesOf(group, deep, local);
    std::map<std::string, std::string> members;
    for (ToDoListToDo* t : local) {
        if (!turn()) return net::DAV_FAILED;
        if (held(t)) {
            if (!t->extras().resource.empty()) members[t->extras().resource] = t->extras().etag;
            continue;
        }
        if (t->extras().resource.empty()) {
            if (t->extras().uid.empty()) {
                std::string uid;
                if (v.newUid(uid) != 0) {
                    error = "no random numbers for a UID could be had";
                    return net::DAV_FAILED;
                }
                t->setUid(uid);
            }
            // The name is journalled before the resource is written.
            t->setSyncState(c.url + slug(t->extras().uid) + ".ics", std::string(), std::string());
            journal(*t);
        }
        const std::string mine = hash(*t);
        if (mine == t->extras().agreed) {
            members[t->extras().resource] = t->extras().etag;
            continue;
        }
        const std::string url = t->extras().resource;
        std::string body = text(*t), etag;
        if (!t->extras().etag.empty()) {
            // Changed here: the server's resource is changed in place.
            net::DavResource server;
            if ((r = fetchOne(c.url, url, server)) != net::DAV_OK) return r;
            std::unique_ptr<ToDoListToDo> theirs = entryOf(server.data);
            if (theirs) theirs->setPath(t->getPath());
            std::string patched;
            if (theirs && patchICalendar(server.data, body, text(*theirs), patched) == 0)
                body = patched;
        }
        const std::string ifMatch = t->extras().etag;
        r = request([&] { return dav.put(url, body, ifMatch, etag, error); });
        if (++report.puts % 100 == 0 && progress)
            progress(calendar + ": " + std::to_string(report.puts) + " up");
        if (r == net::DAV_PRECONDITION) {
            // Written there meanwhile (or by a run that ended before it
            // journalled the answer): the same content is agreed, other
            // content keeps both.
            net::DavResource server;
            if ((r = fetchOne(c.url, url, server)) != net::DAV_OK) return r;
            std::unique_ptr<ToDoListToDo> theirs = entryOf(server.data);
            if (!theirs) {
                error = "the server's version of " + url + " cannot be read";
                return net::DAV_FAILED;
            }
            theirs->setPath(t->getPath());
            if (held(t)) {
                members[url] = t->extras().etag;
                continue;
            }
            if (hash(*theirs) != mine) keepConflict(*t);
            take(*t, *theirs, server.etag);
            journal(*t);
            members[url] = server.etag;
            continue;
        }
        if (r != net::DAV_OK) return r;
        if (etag.empty()) {
            // The server changed what it was given: its own ETag is fetched.
            net::DavResource server;
            if ((r = fetchOne(c.url, url, server)) != net::DAV_OK) return r;
            etag = server.etag;
        }
        t->setSyncState(url, etag, mine);
        // The editor journals the entry it holds when it closes.
        if (!held(t)) journal(*t);
        members[url] = etag;
        ++report.pushed;
    }
    // Deleted here: deleted there, unless it was edited there meanwhile.
    if (!reconcile)
        for (const auto& [url, etag] : c.members) {
            if (members.count(url) || std::find(changes.removed.begin(), changes.removed.end(),
                                                url) != changes.removed.end())
                continue;
            const std::string gone = url, ifMatch = etag; // (a lambda takes no binding)
            r = request([&] { return dav.remove(gone, ifMatch, error); });
            ++report.deletes;
            if (r == net::DAV_PRECONDITION) {
                net::DavResource server;
                if ((r = fetchOne(c.url, url, server)) != net::DAV_OK) return r;
                std::unique_ptr<ToDoListToDo> theirs = entryOf(server.data);
                if (!theirs) continue;
                adopt(group, std::move(theirs), url, server.etag);
                members[url] = server.etag;
                continue;
            }
            if (r != net::DAV_OK) return r;
            ++report.deletedThere;
        }
    c.members = std::move(members);
    // The token of before this run's own writes: the next run sees them as
    // changes whose ETags it already holds, and misses nothing written
    // meanwhile by others. A change left for the next run keeps the old one,
    // so that the next run hears of it again.
    if (!heldBack) c.token = changes.token;
    return net::DAV_OK;
}

int Velk::newUid(std::string& uid) {
    unsigned char b[16];
    if (GetRandomBytes(b, sizeof b) != 0) return -1;
    b[6] = (b[6] & 0x0f) | 0x40;
    b[8] = (b[8] & 0x3f) | 0x80;
    static const char hex[] = "0123456789abcdef";
    uid.clear();
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) uid += '-';
        uid += hex[b[i] >> 4];
        uid += hex[b[i] & 15];
    }
    return 0;
}

int Velk::syncCalendars(net::DavClient& dav, storage::T_SyncState& state, bool allowMassDelete,
                        T_SyncReport& report,
                        const std::function<void(const std::string&)>& progress,
                        const T_SyncPacing* pacing) {
    report = T_SyncReport();
    SyncRun run{*this, dav, report, progress, pacing, std::string(), std::string()};
    const auto failed = [&] { return run.interrupted ? SYNC_INTERRUPTED : SYNC_FAILED; };
    if (state.home.empty() &&
        run.request([&] { return dav.discover(state.url, state.home, report.error); }) !=
            net::DAV_OK)
        return failed();
    std::vector<net::DavCollection> remote;
    if (run.request([&] { return dav.calendars(state.home, remote, report.error); }) != net::DAV_OK)
        return failed();

    // A data file older than what the last run saw (a backup put back):
    // nothing is deleted, and what is missing here comes back.
    ToDoListGroup& root = *tree_.root();
    const bool reconcile = tree_.idmax() < state.idmax;
    report.reconciled = reconcile;

    // The collection of each top-level group, found by name or made.
    struct Pair {
        ToDoListGroup* group;
        bool deep;
        storage::T_SyncCollection* collection;
    };
    std::vector<Pair> pairs;
    // Pointers into the collections stay valid while the run adds to them.
    state.collections.reserve(state.collections.size() + remote.size() + root.getNrGroups() + 1);
    std::set<std::string> taken;
    for (const storage::T_SyncCollection& c : state.collections)
        taken.insert(c.url);
    auto collectionFor = [&](uint32_t id, const std::string& name) -> storage::T_SyncCollection* {
        if (storage::T_SyncCollection* c = state.collectionOf(id)) return c;
        std::string url;
        for (const net::DavCollection& d : remote)
            if (d.displayName == name && !taken.count(d.url)) url = d.url;
        if (url.empty()) {
            url = state.home + slug(name) + "/";
            for (int n = 2; taken.count(url) ||
                            std::any_of(remote.begin(), remote.end(),
                                        [&](const net::DavCollection& d) { return d.url == url; });
                 ++n)
                url = state.home + slug(name) + "-" + std::to_string(n) + "/";
            if (run.request([&] { return dav.makeCalendar(url, name, report.error); }) !=
                net::DAV_OK)
                return nullptr;
        }
        taken.insert(url);
        state.collections.push_back({id, url, std::string(), {}});
        return &state.collections.back();
    };
    if (root.getNrToDos() != 0 || state.collectionOf(0)) pairs.push_back({&root, false, nullptr});
    for (std::size_t i = 0; i < root.getNrGroups(); ++i) {
        ToDoListGroup* g = root.getGroup(i);
        if (g == tree_.searchGroup() || g->getSummary() == CONFLICTS) continue;
        pairs.push_back({g, true, nullptr});
    }
    // The mass-delete guard, before anything is written: entries gone here
    // whose resources the last run saw.
    for (Pair& p : pairs) {
        const uint32_t id = p.group == &root ? 0 : p.group->getSyncID();
        storage::T_SyncCollection* c = state.collectionOf(id);
        if (!c || reconcile) continue;
        std::vector<ToDoListToDo*> local;
        entriesOf(*p.group, p.deep, local);
        std::set<std::string> here;
        for (ToDoListToDo* t : local)
            here.insert(t->extras().resource);
        std::size_t gone = 0;
        for (const auto& [url, etag] : c->members)
            gone += here.count(url) ? 0 : 1;
        if (gone > 10 && gone * 2 > c->members.size() && !allowMassDelete) {
            report.error = "the sync would delete " + std::to_string(gone) + " of the " +
                           std::to_string(c->members.size()) + " entries of the calendar " +
                           c->url + " on the server";
            return SYNC_MASS_DELETE;
        }
    }
    // Each group's calendar: the one the last run used, else one of its name
    // (a run that ended before it could note the calendar it made), else a new one.
    for (Pair& p : pairs) {
        p.collection = collectionFor(p.group == &root ? 0 : p.group->getSyncID(),
                                     p.group == &root ? ROOT_COLLECTION : p.group->getSummary());
        if (!p.collection) return failed();
    }
    // Calendars the organizer does not know yet become top-level groups.
    for (const net::DavCollection& d : remote) {
        if (taken.count(d.url)) continue;
        ToDoListGroup* g = root.newGroup();
        g->setSummary(d.displayName.empty() ? std::string("Calendar") : d.displayName);
        numberNewItems(tree_.idmax(), root, *g, true);
        incsave_writeNew(*g, root);
        run.changed = true;
        taken.insert(d.url);
        state.collections.push_back({g->getSyncID(), d.url, std::string(), {}});
        pairs.push_back({g, true, &state.collections.back()});
    }
    for (Pair& p : pairs) {
        run.calendar = p.group == &root ? ROOT_COLLECTION : p.group->getSummary();
        if (progress)
            progress(run.calendar + " (" + std::to_string(report.collections + 1) + " of " +
                     std::to_string(pairs.size()) + ")");
        if (run.sync(*p.group, p.deep, *p.collection, reconcile) != net::DAV_OK) {
            report.error = run.error;
            return failed();
        }
        ++report.collections;
    }
    root.checkCompleted();
    tree_.activeJobs() = root.getNrActiveJobs();
    state.idmax = tree_.idmax();
    return SYNC_OK;
}
