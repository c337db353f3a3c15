// Percent-encoding of download URLs, following the sets the URL standard gives browsers for
// the path and the query of http and https URLs.
#include "BrowserUrl.h"

namespace {

bool IsTrimmed(unsigned char byte) {
    return byte <= 0x20;
}

bool NeedsEncoding(unsigned char byte, bool inQuery) {
    if (byte <= 0x20 || byte >= 0x7F || byte == '"' || byte == '<' || byte == '>') {
        return true;
    }
    return inQuery ? byte == '\'' : (byte == '`' || byte == '{' || byte == '}');
}

void AppendEncoded(std::string& out, unsigned char byte) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += '%';
    out += kHex[byte >> 4];
    out += kHex[byte & 0x0F];
}

} // namespace

std::string EncodeUrlAsBrowser(std::string_view url) {
    while (!url.empty() && IsTrimmed(static_cast<unsigned char>(url.front()))) {
        url.remove_prefix(1);
    }
    while (!url.empty() && IsTrimmed(static_cast<unsigned char>(url.back()))) {
        url.remove_suffix(1);
    }
    std::string out;
    out.reserve(url.size());
    bool inQuery = false;
    bool inFragment = false;
    for (char c : url) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\t' || c == '\n' || c == '\r') {
            continue; // a browser drops them wherever they are
        }
        if (c == '#') {
            inFragment = true;
        } else if (c == '?' && !inFragment) {
            inQuery = true;
        }
        if (NeedsEncoding(byte, inQuery && !inFragment)) {
            AppendEncoded(out, byte);
        } else {
            out += c;
        }
    }
    return out;
}
