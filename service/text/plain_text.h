#pragma once
// Lines and blanks of the plain text files the service reads: catalog text, INF files and the
// configuration file, written on Windows (CR LF) as often as elsewhere.
#include <string_view>

// Space, tab or carriage return.
bool IsBlank(char c);

// The text without blanks at either end.
std::string_view Trimmed(std::string_view text);

// The text's first line, without its "\n", taken off the text.
std::string_view TakeLine(std::string_view& text);
