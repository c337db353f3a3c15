// UTF-8 to GBK through the C library's iconv, character by character on failure so that one
// character GBK lacks costs one '?' and not the rest of the text.
#include "GbkText.h"

#include <cerrno>
#include <iconv.h>

namespace webservices {
namespace {

// Length of the UTF-8 sequence starting at text[0], or 1 for a byte that starts none.
std::size_t SequenceLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
    }
    if (length > text.size()) {
        return 1;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            return 1;
        }
    }
    return length;
}

class Converter {
public:
    Converter() : m_cd(iconv_open("GBK", "UTF-8")) {}
    ~Converter() {
        if (ok()) {
            iconv_close(m_cd);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts as much of `input` as it can into `output`; the rest stays in `input`.
    void convert(std::string_view& input, std::string& output) {
        char buffer[256];
        while (!input.empty()) {
            char* in = const_cast<char*>(input.data());
            std::size_t inLeft = input.size();
            char* out = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t rc = iconv(m_cd, &in, &inLeft, &out, &outLeft);
            output.append(buffer, static_cast<std::size_t>(out - buffer));
            input.remove_prefix(input.size() - inLeft);
            if (rc != static_cast<std::size_t>(-1) || errno != E2BIG) {
                iconv(m_cd, nullptr, nullptr, nullptr, nullptr); // back to the initial state
                return;
            }
        }
    }

private:
    iconv_t m_cd;
};

} // namespace

std::string Utf8ToGbk(std::string_view utf8) {
    std::string gbk;
    gbk.reserve(utf8.size());
    Converter converter;
    while (!utf8.empty()) {
        if (converter.ok()) {
            converter.convert(utf8, gbk);
        }
        if (utf8.empty()) {
            break;
        }
        // A character GBK lacks, a malformed sequence or no converter at all: one '?' for it.
        const std::size_t skip = converter.ok() ? SequenceLength(utf8) : 1;
        const auto byte = static_cast<unsigned char>(utf8[0]);
        gbk.push_back(!converter.ok() && byte < 0x80 ? utf8[0] : '?');
        utf8.remove_prefix(skip);
    }
    return gbk;
}

} // namespace webservices
