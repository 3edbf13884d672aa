#include "inf_text.h"

#include "ansi_text.h"

#include <algorithm>

namespace {

constexpr char32_t kEndOfFile = 0x1A;  // Ctrl-Z

size_t LineAt(std::string_view text, size_t end)
{
    return 1 + static_cast<size_t>(std::count(text.begin(), text.begin() + static_cast<long>(end), '\n'));
}

bool DecodeUtf16(std::string_view bytes, std::string& utf8, InfFault& fault)
{
    if (bytes.size() % 2 != 0) {
        fault = {0, "UTF-16 text with an odd number of bytes"};
        return false;
    }
    auto unitAt = [&](size_t i) {
        return static_cast<char32_t>(static_cast<unsigned char>(bytes[i]) |
                                     (static_cast<unsigned char>(bytes[i + 1]) << 8));
    };
    utf8.reserve(bytes.size() / 2);
    for (size_t i = 0; i < bytes.size(); i += 2) {
        char32_t c = unitAt(i);
        if (c == kEndOfFile)
            break;
        if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size() && unitAt(i + 2) >= 0xDC00 && unitAt(i + 2) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unitAt(i + 2) - 0xDC00);
            i += 2;
        } else if ((c >= 0xD800 && c <= 0xDFFF) || c == 0) {
            fault = {LineAt(utf8, utf8.size()), c == 0 ? "a NUL character" : "a broken UTF-16 surrogate pair"};
            return false;
        }
        AppendUtf8(utf8, c);
    }
    return true;
}

}  // namespace

bool DecodeInfText(std::string_view bytes, std::string& utf8, InfFault& fault)
{
    utf8.clear();
    if (bytes.substr(0, 2) == "\xFF\xFE")
        return DecodeUtf16(bytes.substr(2), utf8, fault);
    if (bytes.substr(0, 2) == "\xFE\xFF") {
        fault = {0, "UTF-16 big-endian text: Windows reads INF files as UTF-16LE or ANSI"};
        return false;
    }
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        fault = {0, "UTF-8 text with a byte-order mark: Windows reads INF files as UTF-16LE or ANSI"};
        return false;
    }
    bytes = bytes.substr(0, bytes.find('\x1A'));
    if (size_t nul = bytes.find('\0'); nul != std::string_view::npos) {
        const bool utf16 = bytes.size() >= 2 && (bytes[0] == '\0' || bytes[1] == '\0');
        fault =
            utf16 ? InfFault{0, "UTF-16 text without a byte-order mark"} : InfFault{LineAt(bytes, nul), "a NUL byte"};
        return false;
    }
    utf8 = AnsiToUtf8(bytes);
    return true;
}
