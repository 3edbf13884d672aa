#pragma once
// The scrambled form in which the user's e-mail address and password are stored: each byte
// XORed with the matching byte of a repeating key and written as two lower-case hex digits.
#include <string>

inline constexpr char kCredentialKey[] = "MirelTosk";

// Twice as long as plain, only "0"-"9" and "a"-"f". An empty key leaves the bytes as they are.
std::string ScrambleText(const std::string& plain, const std::string& key);

// The plain text back from scrambled (hex digits of either case). Stored text that
// ScrambleText could not have made from a text (odd length, a pair that is not hexadecimal,
// a pair that gives a zero byte) yields the empty text.
std::string UnscrambleText(const std::string& scrambled, const std::string& key);
