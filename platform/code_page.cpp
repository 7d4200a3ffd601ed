#include "platform/code_page.h"

#include <cerrno>
#include <iconv.h>
#include <stdexcept>

namespace palvex {

namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(::iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error("no conversion from " + std::string(from) + " to " + to);
    }
    ~Converter() { ::iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // step: how many input bytes to skip when a character cannot be converted.
    template <typename Step> std::string convert(std::string_view text, Step step) {
        ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::string out;
        char buffer[256];
        char* in = const_cast<char*>(text.data());
        std::size_t inLeft = text.size();
        while (inLeft > 0) {
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t result = ::iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            if (result != static_cast<std::size_t>(-1) || errno == E2BIG)
                continue;
            out += '?'; // EILSEQ or EINVAL: no equivalent, or a broken sequence
            const std::size_t skip = std::min(inLeft, step(static_cast<unsigned char>(*in)));
            in += skip;
            inLeft -= skip;
        }
        return out;
    }

private:
    iconv_t cd_;
};

std::size_t utf8SequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    if (lead >= 0xE0)
        return lead <= 0xEF ? 3 : 1;
    if (lead >= 0xC2)
        return 2;
    return 1;
}

} // namespace

std::string ansiToOem(std::string_view utf8) {
    thread_local Converter converter("CP437", "UTF-8");
    return converter.convert(utf8, utf8SequenceLength);
}

std::string oemToAnsi(std::string_view cp437) {
    thread_local Converter converter("UTF-8", "CP437");
    return converter.convert(cp437, [](unsigned char) { return std::size_t{1}; });
}

} // namespace palvex
