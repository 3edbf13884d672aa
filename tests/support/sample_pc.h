#pragma once
// Puts sample programs and shortcuts onto the Wine prefix's "PC" and takes them away again.
#include <string>
#include <vector>

// The Windows path of a sample program as built (for example "acme_viewer").
std::string SampleProgramPath(const std::string& name);

// Shortcuts and files made through this object are removed when it is destroyed.
class SamplePc {
public:
    SamplePc() = default;
    ~SamplePc();
    SamplePc(const SamplePc&) = delete;
    SamplePc& operator=(const SamplePc&) = delete;

    // Copies a sample program to the given path (folders made as needed); false on failure.
    bool InstallProgram(const std::string& sampleName, const std::string& destination);
    // Creates folder\relativeLink (sub-folders made as needed) pointing at target.
    bool AddShortcut(int csidl, const std::string& relativeLink, const std::string& target);
    // Any file, for shortcuts to documents.
    bool AddFile(const std::string& path, const std::string& content);

private:
    bool MakeFolders(const std::string& filePath);

    std::vector<std::string> files_;
    std::vector<std::string> folders_;
};
