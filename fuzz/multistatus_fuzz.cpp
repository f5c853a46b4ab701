// Reads an arbitrary answer as a WebDAV multistatus. Whatever it is, the
// reader either refuses it with a reason or gives responses whose statuses
// are HTTP codes, and never reads a document type.

#include "net/multistatus.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    net::Multistatus ms;
    std::string error;
    const int r = net::parseMultistatus(text, ms, error);
    if (r != 0 && (error.empty() || !ms.responses.empty())) std::abort();
    if (r == 0 && text.find("<!DOCTYPE") != std::string::npos) std::abort();
    for (const net::DavResponse& resp : ms.responses)
        if (resp.status < 0 || resp.status > 999) std::abort();
    return 0;
}
