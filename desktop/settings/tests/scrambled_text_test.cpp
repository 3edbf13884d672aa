// The scrambled form of stored credentials.
#include "scrambled_text.h"

#include <gtest/gtest.h>

namespace {

TEST(ScrambledText, KnownVectors)
{
    // '0' ^ 'M' = 0x7d, '1' ^ 'i' = 0x58, ... and the tenth byte meets 'M' again: '9' ^ 'M' = 0x74.
    EXPECT_EQ(ScrambleText("0123456789", kCredentialKey), "7d584056586159445374");
    // 'M' ^ 'M' = 0 gets its leading zero; 0xFF ^ 'i' = 0x96.
    EXPECT_EQ(ScrambleText("M\xFF", kCredentialKey), "0096");
    EXPECT_EQ(UnscrambleText("7D584056586159445374", kCredentialKey), "0123456789");
    EXPECT_EQ(ScrambleText("", kCredentialKey), "");
    EXPECT_EQ(UnscrambleText("", kCredentialKey), "");
}

TEST(ScrambledText, EveryByteValueRoundTrips)
{
    std::string plain;
    for (int byte = 0x01; byte <= 0xFF; ++byte)
        plain += static_cast<char>(byte);
    // Start at every key position, so that each byte meets each key letter.
    for (size_t shift = 0; shift < 9; ++shift) {
        std::string text = plain.substr(shift) + plain.substr(0, shift);
        std::string scrambled = ScrambleText(text, kCredentialKey);
        ASSERT_EQ(scrambled.size(), 2 * text.size());
        EXPECT_EQ(scrambled.find_first_not_of("0123456789abcdef"), std::string::npos);
        EXPECT_EQ(UnscrambleText(scrambled, kCredentialKey), text);
    }
}

TEST(ScrambledText, TextThatScramblingCannotMakeGivesTheEmptyText)
{
    const char* invalid[] = {
        "7",     // odd length
        "7d5",   // odd length after whole pairs
        "7g",    // not hexadecimal
        "7d 8",  // a space inside a pair
        "-1",    // a sign
        "0x7d",  // a prefix
        "4d",    // 0x4d ^ 'M' is a zero byte: no text scrambles to it
        "7d69",  // the same in the second pair: 0x69 ^ 'i'
    };
    for (const char* text : invalid)
        EXPECT_EQ(UnscrambleText(text, kCredentialKey), "") << text;
    EXPECT_EQ(UnscrambleText(std::string("7d\0"
                                         "8",
                                         4),
                             kCredentialKey),
              "");
}

TEST(ScrambledText, EmptyKeyLeavesBytesAsTheyAre)
{
    EXPECT_EQ(ScrambleText("AZ", ""), "415a");
    EXPECT_EQ(UnscrambleText("415a", ""), "AZ");
}

}  // namespace
