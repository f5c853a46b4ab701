#include "net/curl_library.h"

#include <dlfcn.h>
#include <mutex>

namespace net {

namespace {

struct Loaded {
    CurlLibrary api;
    bool ready = false;
    std::string error;
};

template <class F> bool resolve(void* handle, const char* name, F& fn, std::string& error) {
    fn = reinterpret_cast<F>(::dlsym(handle, name));
    if (!fn && error.empty()) error = std::string("libcurl has no ") + name;
    return fn != nullptr;
}

Loaded load() {
    Loaded l;
    // The soname of libcurl 7 and 8; the handle stays open for the program's life.
    void* h = ::dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
    if (!h) {
        const char* why = ::dlerror();
        l.error = std::string("libcurl cannot be loaded: ") + (why ? why : "unknown reason");
        return l;
    }
    CurlLibrary& a = l.api;
    std::string& e = l.error;
    const bool all = resolve(h, "curl_global_init", a.global_init, e) &
                     resolve(h, "curl_easy_init", a.easy_init, e) &
                     resolve(h, "curl_easy_cleanup", a.easy_cleanup, e) &
                     resolve(h, "curl_easy_reset", a.easy_reset, e) &
                     resolve(h, "curl_easy_setopt", a.easy_setopt, e) &
                     resolve(h, "curl_easy_perform", a.easy_perform, e) &
                     resolve(h, "curl_easy_getinfo", a.easy_getinfo, e) &
                     resolve(h, "curl_easy_strerror", a.easy_strerror, e) &
                     resolve(h, "curl_slist_append", a.slist_append, e) &
                     resolve(h, "curl_slist_free_all", a.slist_free_all, e) &
                     resolve(h, "curl_free", a.free, e) & resolve(h, "curl_url", a.url, e) &
                     resolve(h, "curl_url_cleanup", a.url_cleanup, e) &
                     resolve(h, "curl_url_get", a.url_get, e) &
                     resolve(h, "curl_url_set", a.url_set, e);
    if (!all) return l;
    if (a.global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        l.error = "libcurl could not be set up";
        return l;
    }
    l.ready = true;
    return l;
}

} // namespace

const CurlLibrary* curlLibrary(std::string& error) {
    // Loaded once, by whichever thread asks first (a sync runs its requests
    // on a worker thread of the window).
    static const Loaded loaded = load();
    if (!loaded.ready) {
        error = loaded.error;
        return nullptr;
    }
    return &loaded.api;
}

} // namespace net
