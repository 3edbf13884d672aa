#include "scrambled_text.h"

#include "hex_digit.h"

namespace {

unsigned char KeyByte(const std::string& key, size_t index)
{
    return key.empty() ? 0 : static_cast<unsigned char>(key[index % key.size()]);
}

}  // namespace

std::string ScrambleText(const std::string& plain, const std::string& key)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string scrambled;
    scrambled.reserve(plain.size() * 2);
    for (size_t i = 0; i < plain.size(); ++i) {
        unsigned char byte = static_cast<unsigned char>(plain[i]) ^ KeyByte(key, i);
        scrambled += kDigits[byte >> 4];
        scrambled += kDigits[byte & 0x0F];
    }
    return scrambled;
}

std::string UnscrambleText(const std::string& scrambled, const std::string& key)
{
    if (scrambled.size() % 2 != 0)
        return std::string();
    std::string plain;
    plain.reserve(scrambled.size() / 2);
    for (size_t k = 0; k < scrambled.size() / 2; ++k) {
        int high = HexDigitValue(scrambled[2 * k]);
        int low = HexDigitValue(scrambled[2 * k + 1]);
        if (high < 0 || low < 0)
            return std::string();
        unsigned char byte = static_cast<unsigned char>(high << 4 | low) ^ KeyByte(key, k);
        if (byte == 0)
            return std::string();
        plain += static_cast<char>(byte);
    }
    return plain;
}
