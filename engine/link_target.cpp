#include "link_target.h"

#include "link_file.h"
#include "unique_handle.h"
#include "wide_text.h"
#include "wow64.h"

#include <windows.h>

#include <vector>

namespace {

// Far beyond any shortcut file; a larger file is not read.
constexpr DWORD kLongestLinkFile = 1 << 20;

std::string ReadLinkFile(const std::string& path)
{
    UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return std::string();
    std::string content;
    DWORD size = GetFileSize(file.Get(), nullptr);
    if (size != INVALID_FILE_SIZE && size <= kLongestLinkFile) {
        content.resize(size);
        DWORD read = 0;
        if (size == 0 || !ReadFile(file.Get(), &content[0], size, &read, nullptr))
            read = 0;
        content.resize(read);
    }
    return content;
}

std::wstring ExpandEnvironment(const std::wstring& text)
{
    DWORD size = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (size == 0)
        return std::wstring();
    std::vector<wchar_t> expanded(size);
    DWORD written = ExpandEnvironmentStringsW(text.c_str(), expanded.data(), size);
    if (written == 0 || written > size)
        return std::wstring();
    return std::wstring(expanded.data());
}

}  // namespace

std::string ShortcutTarget(const std::string& linkPath, const std::string& storedPath)
{
    bool wow64 = RunsUnderWow64();
    ExpandableTarget expandable;
    if ((!storedPath.empty() && !wow64) || !ReadExpandableTarget(ReadLinkFile(linkPath), expandable))
        return storedPath;
    std::u16string target = expandable.unicode;
    if (target.empty()) {
        std::wstring wide = AnsiToWide(expandable.ansi);
        target.assign(wide.begin(), wide.end());
    }
    if (wow64)
        target = WithSixtyFourBitFolders(target);
    std::wstring expanded = ExpandEnvironment(std::wstring(target.begin(), target.end()));
    return expanded.empty() ? storedPath : WideToAnsi(expanded.c_str(), expanded.size());
}
