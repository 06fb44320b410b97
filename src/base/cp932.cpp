#include "base/cp932.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace brine {
namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts in, replacing each unconvertible sequence of `skip` input bytes
    // by `replacement`.
    std::string run(std::string_view in, std::string_view replacement, bool* lossy) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::string out;
        out.reserve(in.size() * 2 + 8);
        char* src = const_cast<char*>(in.data());
        size_t srcLeft = in.size();
        char buf[4096];
        while (srcLeft > 0) {
            char* dst = buf;
            size_t dstLeft = sizeof buf;
            size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out.append(buf, static_cast<size_t>(dst - buf));
            if (r == static_cast<size_t>(-1)) {
                if (errno == E2BIG) continue;
                // EILSEQ or EINVAL: skip one input character.
                size_t skip = 1;
                if (fromUtf8_) {
                    unsigned char c = static_cast<unsigned char>(*src);
                    skip = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
                } else if (isCp932LeadByte(static_cast<unsigned char>(*src)) && srcLeft >= 2) {
                    skip = 2;
                }
                if (skip > srcLeft) skip = srcLeft;
                src += skip;
                srcLeft -= skip;
                out.append(replacement);
                if (lossy) *lossy = true;
            }
        }
        char* dst = buf;
        size_t dstLeft = sizeof buf;
        iconv(cd_, nullptr, nullptr, &dst, &dstLeft);
        out.append(buf, static_cast<size_t>(dst - buf));
        return out;
    }
    bool fromUtf8_ = false;

private:
    iconv_t cd_;
};

}  // namespace

std::string utf8ToCp932(std::string_view utf8, bool* lossy) {
    if (lossy) *lossy = false;
    bool ascii = true;
    for (unsigned char c : utf8)
        if (c >= 0x80 || c == 0x5C || c == 0x7E) { ascii = false; break; }
    if (ascii) return std::string(utf8);
    thread_local Converter conv("CP932", "UTF-8");
    conv.fromUtf8_ = true;
    return conv.run(utf8, "?", lossy);
}

std::string cp932ToUtf8(std::string_view cp932) {
    bool ascii = true;
    for (unsigned char c : cp932)
        if (c >= 0x80 || c == 0x5C || c == 0x7E) { ascii = false; break; }
    if (ascii) return std::string(cp932);
    thread_local Converter conv("UTF-8", "CP932");
    return conv.run(cp932, "\xEF\xBF\xBD", nullptr);
}

std::string cutCp932(std::string_view s, std::size_t maxBytes) {
    if (s.size() <= maxBytes) return std::string(s);
    std::size_t i = 0;
    while (i < maxBytes) {
        std::size_t w = isCp932LeadByte(static_cast<unsigned char>(s[i])) ? 2 : 1;
        if (i + w > maxBytes) break;
        i += w;
    }
    return std::string(s.substr(0, i));
}

namespace {
std::size_t charLength(std::string_view s, std::size_t at) {
    return isCp932LeadByte(static_cast<unsigned char>(s[at])) && at + 1 < s.size() ? 2 : 1;
}
}  // namespace

std::size_t findCp932(std::string_view s, std::string_view token, std::size_t from) {
    if (token.empty()) return from <= s.size() ? from : std::string_view::npos;
    for (std::size_t at = 0; at < s.size(); at += charLength(s, at))
        if (at >= from && s.substr(at, token.size()) == token) return at;
    return std::string_view::npos;
}

}  // namespace brine
