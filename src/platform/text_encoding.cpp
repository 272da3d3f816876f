#include "platform/text_encoding.h"

#include "platform/error.h"

#include <cerrno>
#include <iconv.h>

namespace kalidor {
namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {
        if (handle_ == reinterpret_cast<iconv_t>(-1))
            throw Error(std::string("text: no converter from ") + from + " to " + to);
    }
    ~Converter() { iconv_close(handle_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Returns false and the offset of the offending input byte when the input cannot be converted.
    bool convert(std::string_view in, std::string& out, std::size_t& badOffset) {
        out.clear();
        iconv(handle_, nullptr, nullptr, nullptr, nullptr);  // drop state left by an earlier failure
        char* inPtr = const_cast<char*>(in.data());
        std::size_t inLeft = in.size();
        char buffer[1024];
        while (inLeft > 0) {
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t r = iconv(handle_, &inPtr, &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
                badOffset = in.size() - inLeft;
                return false;
            }
        }
        return true;
    }

private:
    iconv_t handle_;
};

// One converter per thread and direction: iconv handles keep state and are not thread-safe.
Converter& toShiftJis() {
    thread_local Converter c("CP932", "UTF-8");
    return c;
}

Converter& toUtf8() {
    thread_local Converter c("UTF-8", "CP932");
    return c;
}

std::string utf8CharAt(std::string_view s, std::size_t offset) {
    std::size_t end = offset + 1;
    while (end < s.size() && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80)
        ++end;
    return std::string(s.substr(offset, end - offset));
}

}  // namespace

std::string Utf8ToShiftJis(std::string_view utf8) {
    std::string out;
    std::size_t bad = 0;
    if (!toShiftJis().convert(utf8, out, bad))
        throw Error("text: \"" + utf8CharAt(utf8, bad) + "\" cannot be stored in Shift-JIS (in \"" +
                    std::string(utf8) + "\")");
    return out;
}

std::string ShiftJisToUtf8(std::string_view shiftJis) {
    std::string out;
    std::size_t bad = 0;
    if (!toUtf8().convert(shiftJis, out, bad))
        throw Error("text: byte " + std::to_string(bad) + " of a " + std::to_string(shiftJis.size()) +
                    "-byte text is not valid Shift-JIS");
    return out;
}

bool FitsShiftJis(std::string_view utf8) {
    std::string out;
    std::size_t bad = 0;
    return toShiftJis().convert(utf8, out, bad);
}

std::size_t ShiftJisLength(std::string_view utf8) { return Utf8ToShiftJis(utf8).size(); }

}  // namespace kalidor
