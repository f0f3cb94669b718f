// GBK through iconv's CP936 converter (glibc).
#include "files/gbk_impl.hpp"

#include <cerrno>
#include <iconv.h>

namespace tarnelo {

namespace {

class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (valid()) {
            iconv_close(cd_);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much of in as it can; in is advanced past what was converted and the result
    // appended to out. Returns 0 when everything was converted, else the errno of the stop.
    int convert(std::string_view& in, std::string& out) {
        char buffer[4096];
        // iconv's interface takes a non-const input pointer but never writes through it.
        char* inPtr = const_cast<char*>(in.data());
        std::size_t inLeft = in.size();
        int error = 0;
        while (inLeft > 0) {
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t result = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            if (result == static_cast<std::size_t>(-1)) {
                if (errno == E2BIG) {
                    continue;
                }
                error = errno;
                break;
            }
        }
        in.remove_prefix(in.size() - inLeft);
        return error;
    }

  private:
    iconv_t cd_;
};

} // namespace

namespace detail {

std::string decodeGbk(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    Converter converter("UTF-8", "CP936");
    if (!converter.valid()) {
        // Without the converter only ASCII can be trusted.
        for (const char c : bytes) {
            if (static_cast<unsigned char>(c) < 0x80) {
                out.push_back(c);
            } else {
                out.append(kReplacement);
            }
        }
        return out;
    }
    while (!bytes.empty()) {
        if (converter.convert(bytes, out) == 0) {
            break;
        }
        // An invalid or cut-off sequence: one replacement character for its first byte, then
        // carry on with the next byte.
        out.append(kReplacement);
        bytes.remove_prefix(1);
    }
    return out;
}

std::optional<std::string> encodeGbk(std::string_view text) {
    Converter converter("CP936", "UTF-8");
    if (!converter.valid()) {
        return std::nullopt;
    }
    std::string out;
    out.reserve(text.size());
    if (converter.convert(text, out) != 0 || !text.empty()) {
        return std::nullopt;
    }
    return out;
}

} // namespace detail

} // namespace tarnelo
