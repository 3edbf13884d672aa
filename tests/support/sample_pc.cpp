#include "sample_pc.h"

#include "shell_link.h"

#include <windows.h>

#include <algorithm>

std::string SampleProgramPath(const std::string& name)
{
    return std::string(KORVALA_SAMPLES_DIR) + "\\" + name + ".exe";
}

SamplePc::~SamplePc()
{
    for (const std::string& file : files_)
        DeleteFileA(file.c_str());
    // Deepest folders first; a folder that still holds something of somebody else's stays.
    std::sort(folders_.begin(), folders_.end(),
              [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    for (const std::string& folder : folders_)
        RemoveDirectoryA(folder.c_str());
}

bool SamplePc::MakeFolders(const std::string& filePath)
{
    for (size_t at = filePath.find('\\', 3); at != std::string::npos; at = filePath.find('\\', at + 1)) {
        std::string folder = filePath.substr(0, at);
        if (CreateDirectoryA(folder.c_str(), nullptr))
            folders_.push_back(folder);
        else if (GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return true;
}

bool SamplePc::InstallProgram(const std::string& sampleName, const std::string& destination)
{
    if (!MakeFolders(destination) || !CopyFileA(SampleProgramPath(sampleName).c_str(), destination.c_str(), FALSE))
        return false;
    files_.push_back(destination);
    return true;
}

bool SamplePc::AddShortcut(int csidl, const std::string& relativeLink, const std::string& target)
{
    std::string folder = SpecialFolder(csidl);
    if (folder.empty())
        return false;
    std::string link = folder + "\\" + relativeLink;
    if (!MakeFolders(link) || !CreateShortcut(link, target))
        return false;
    files_.push_back(link);
    return true;
}

bool SamplePc::AddFile(const std::string& path, const std::string& content)
{
    if (!MakeFolders(path))
        return false;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, content.data(), DWORD(content.size()), &written, nullptr) && written == content.size();
    CloseHandle(file);
    files_.push_back(path);
    return ok;
}
