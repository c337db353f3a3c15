#include "FileMd5.h"

#include <openssl/evp.h>

#include <array>
#include <cerrno>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace {

struct DigestContextFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

// Closes the descriptor it was given when it goes away.
class ReadFd {
public:
    explicit ReadFd(int fd) : m_fd(fd) {}
    ~ReadFd() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    ReadFd(const ReadFd&) = delete;
    ReadFd& operator=(const ReadFd&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

std::string hexText(const unsigned char* bytes, unsigned int length) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0f];
    }
    return text;
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

std::optional<std::string> FileMd5Hex(const std::string& path) {
    const ReadFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        return std::nullopt;
    }
    std::unique_ptr<EVP_MD_CTX, DigestContextFree> context(EVP_MD_CTX_new());
    if (!context || EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr) != 1) {
        return std::nullopt;
    }
    std::array<unsigned char, 65536> buffer{};
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer.data(), buffer.size());
        if (n == 0) {
            break;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 || EVP_DigestUpdate(context.get(), buffer.data(), static_cast<size_t>(n)) != 1) {
            return std::nullopt;
        }
    }
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context.get(), digest.data(), &length) != 1) {
        return std::nullopt;
    }
    return hexText(digest.data(), length);
}

bool SameDigest(std::string_view actual, std::string_view expected) {
    if (actual.size() != expected.size()) {
        return false;
    }
    for (std::size_t i = 0; i < actual.size(); ++i) {
        if (lowerAscii(actual[i]) != lowerAscii(expected[i])) {
            return false;
        }
    }
    return true;
}
