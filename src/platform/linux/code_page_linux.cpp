#include <iconv.h>

#include <cerrno>

#include "platform/code_page.h"

namespace z7 {
namespace {

// One code point per call so that an unmappable character costs exactly one '?'.
class GbkConverter {
  public:
    GbkConverter() : cd_(iconv_open("GBK", "WCHAR_T")) {
        if (cd_ == kInvalid) cd_ = iconv_open("CP936", "WCHAR_T");
    }
    ~GbkConverter() {
        if (cd_ != kInvalid) iconv_close(cd_);
    }
    GbkConverter(const GbkConverter&) = delete;
    GbkConverter& operator=(const GbkConverter&) = delete;

    void Append(char32_t codePoint, std::string& out) {
        if (cd_ == kInvalid || codePoint == 0xFFFD) {
            out.push_back(codePoint < 0x80 ? static_cast<char>(codePoint) : '?');
            return;
        }
        wchar_t in = static_cast<wchar_t>(codePoint);
        char buffer[8];
        char* inPtr = reinterpret_cast<char*>(&in);
        size_t inLeft = sizeof in;
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // reset shift state
        const size_t r = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
        if (r == static_cast<size_t>(-1) || inLeft != 0 || outPtr == buffer) {
            out.push_back('?');
            return;
        }
        out.append(buffer, static_cast<size_t>(outPtr - buffer));
    }

  private:
    static inline const iconv_t kInvalid = reinterpret_cast<iconv_t>(-1);
    iconv_t cd_;
};

}  // namespace

std::string EncodeGbk(std::u16string_view text) {
    GbkConverter converter;
    std::string out;
    out.reserve(text.size() * 2);
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            const char32_t cp = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                                (static_cast<char32_t>(text[i + 1]) - 0xDC00);
            converter.Append(cp, out);
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            out.push_back('?');
        } else {
            converter.Append(unit, out);
        }
    }
    return out;
}

}  // namespace z7
