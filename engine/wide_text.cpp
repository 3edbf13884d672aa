#include "wide_text.h"

#include <windows.h>

#include <climits>

std::wstring AnsiToWide(const std::string& text)
{
    if (text.empty() || text.size() > INT_MAX)
        return std::wstring();
    int length = MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), &wide[0], length);
    return wide;
}

std::string WideToAnsi(const wchar_t* text, size_t length)
{
    if (!text || length == 0 || length > INT_MAX)
        return std::string();
    int size = WideCharToMultiByte(CP_ACP, 0, text, int(length), nullptr, 0, nullptr, nullptr);
    std::string narrow(size_t(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_ACP, 0, text, int(length), &narrow[0], size, nullptr, nullptr);
    return narrow;
}
