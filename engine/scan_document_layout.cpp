#include "scan_document_layout.h"

#include "hex_digit.h"

namespace {

uint32_t LittleEndianWord(const Md5& digest, size_t index)
{
    const uint8_t* p = digest.data() + 4 * index;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The word in upper-case hexadecimal without leading zeros ("0" for zero).
void AppendHex(std::string& text, uint32_t word)
{
    int shift = 28;
    while (shift > 0 && (word >> shift) == 0)
        shift -= 4;
    for (; shift >= 0; shift -= 4)
        text += "0123456789ABCDEF"[(word >> shift) & 0xF];
}

}  // namespace

std::string JoinedHashHex(const Md5& digest)
{
    std::string text;
    text.reserve(size_t{16});
    AppendHex(text, LittleEndianWord(digest, 0) ^ LittleEndianWord(digest, 2));
    AppendHex(text, LittleEndianWord(digest, 1) ^ LittleEndianWord(digest, 3));
    return text;
}

int64_t HexToInt64(std::string_view text)
{
    uint64_t value = 0;
    for (size_t i = 0; i < text.size() && i < 16; ++i) {
        int digit = HexDigitValue(text[i]);
        if (digit < 0)
            break;
        value = value << 4 | uint64_t(digit);
    }
    return static_cast<int64_t>(value);
}

std::string IdentityHashDecimal(std::string_view identity)
{
    return std::to_string(HexToInt64(JoinedHashHex(Md5Digest(identity.data(), identity.size()))));
}

std::string ItemLine(std::string_view hashDecimal, std::string_view version, const std::string* level)
{
    std::string line = "<ScanItem HWIDHASH=\"";
    line += hashDecimal;
    line += "\" CURRENTVERSION=\"";
    line += version;
    line += '"';
    if (level) {
        line += " PLEVEL=\"";
        line += *level;
        line += '"';
    }
    line += " />\r\n";
    return line;
}

std::string OsVersionCodeFor(uint32_t platformId, uint32_t major, uint32_t minor)
{
    if (platformId == 1 && major == 4) {
        if (minor >= 10 && minor <= 89)
            return "8";
        if (minor == 90)
            return "1";
        return "";
    }
    if (platformId == 2) {
        switch (major) {
        case 4:
            return "3";
        case 5:
            return minor == 0 ? "2" : "4";
        case 6:
            return "6";
        }
    }
    return "";
}

std::string AssembleDocument(const DocumentHeader& header, std::string_view inventoryText, int32_t deviceCount)
{
    std::string document;
    document.reserve(inventoryText.size() + 512);
    document += "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n";
    document += "<ScanInstance ProtocolVersion=\"1.1\">\r\n";
    document += "<Header>\r\n<ScanGUID>" + header.scanGuid + "</ScanGUID>\r\n<OSVersion>" + header.osVersionCode +
                "</OSVersion>\r\n<Email>" + header.email + "</Email>\r\n<Password>" + header.password +
                "</Password>\r\n<IP>127.0.0.1</IP>\r\n</Header>\r\n";
    document += "<Data NumberOfDevices=\"" + std::to_string(deviceCount) + "\">\r\n";
    document += inventoryText;
    document += "\r\n</Data>\r\n</ScanInstance>";
    return document;
}
