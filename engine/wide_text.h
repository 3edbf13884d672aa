#pragma once
// Conversions between the system ANSI code page and UTF-16, for the calls that demand UTF-16.
#include <string>

std::wstring AnsiToWide(const std::string& text);
std::string WideToAnsi(const wchar_t* text, size_t length);
