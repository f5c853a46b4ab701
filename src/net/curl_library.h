#pragma once
#include <curl/curl.h>
#include <string>

namespace net {

// libcurl, loaded the first time a request or an address needs it rather
// than when the program starts: libcurl and the twenty-odd libraries it
// brings (TLS, Kerberos, LDAP...) cost every run of the program about 9 ms
// of symbol binding at start-up, which a search or an agenda on the terminal
// never uses. The members are libcurl's own functions of the same names
// without the "curl_" prefix.
struct CurlLibrary {
    decltype(&::curl_global_init) global_init = nullptr;
    decltype(&::curl_easy_init) easy_init = nullptr;
    decltype(&::curl_easy_cleanup) easy_cleanup = nullptr;
    decltype(&::curl_easy_reset) easy_reset = nullptr;
    decltype(&::curl_easy_setopt) easy_setopt = nullptr;
    decltype(&::curl_easy_perform) easy_perform = nullptr;
    decltype(&::curl_easy_getinfo) easy_getinfo = nullptr;
    decltype(&::curl_easy_strerror) easy_strerror = nullptr;
    decltype(&::curl_slist_append) slist_append = nullptr;
    decltype(&::curl_slist_free_all) slist_free_all = nullptr;
    decltype(&::curl_free) free = nullptr;
    decltype(&::curl_url) url = nullptr;
    decltype(&::curl_url_cleanup) url_cleanup = nullptr;
    decltype(&::curl_url_get) url_get = nullptr;
    decltype(&::curl_url_set) url_set = nullptr;
};

// The library, loaded and set up (curl_global_init) once for the whole
// program; null when it cannot be loaded or set up, error then says why.
const CurlLibrary* curlLibrary(std::string& error);

} // namespace net
