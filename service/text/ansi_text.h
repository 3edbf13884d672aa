#pragma once
// Windows code page 1252, the ANSI text of scan documents and identities, and HTML escaping.
#include <optional>
#include <string>
#include <string_view>

// Every byte becomes its character in UTF-8; the five bytes that page 1252 leaves undefined
// and control characters other than tab, CR and LF become U+FFFD.
std::string AnsiToUtf8(std::string_view ansi);

// Appends the UTF-8 form of a character (at most U+10FFFF).
void AppendUtf8(std::string& out, char32_t c);

// The page 1252 bytes of a UTF-8 text; nullopt when it is not valid UTF-8 or holds a
// character that the page cannot represent.
std::optional<std::string> Utf8ToAnsi(std::string_view utf8);

// The text with its ASCII letters in lower or in upper case; other bytes are kept.
std::string AsciiLower(std::string_view text);
std::string AsciiUpper(std::string_view text);

// Escapes &, <, >, " and ' for use in HTML text and quoted attribute values.
std::string HtmlEscape(std::string_view text);

// An ANSI text from a document, ready for a page: converted to UTF-8, then escaped.
inline std::string AnsiToHtml(std::string_view ansi)
{
    return HtmlEscape(AnsiToUtf8(ansi));
}
