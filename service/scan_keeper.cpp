#include "scan_keeper.h"

#include "scan_reader.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The number N of a file name scan-N.xml; 0 for other names.
unsigned long KeptNumber(const char* name)
{
    constexpr std::string_view kPrefix = "scan-", kSuffix = ".xml";
    std::string_view text = name;
    if (text.size() <= kPrefix.size() + kSuffix.size() || text.substr(0, kPrefix.size()) != kPrefix ||
        text.substr(text.size() - kSuffix.size()) != kSuffix)
        return 0;
    std::string digits(text.substr(kPrefix.size(), text.size() - kPrefix.size() - kSuffix.size()));
    if (digits.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    return std::strtoul(digits.c_str(), nullptr, 10);
}

bool WriteAll(int file, std::string_view text)
{
    while (!text.empty()) {
        ssize_t written = write(file, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        text.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

}  // namespace

std::string WithoutPassword(std::string_view document, const ScanReport& report)
{
    std::string text(document);
    if (report.passwordStart + report.password.size() <= text.size())
        text.erase(report.passwordStart, report.password.size());
    return text;
}

ScanKeeper::ScanKeeper(std::string folder) : folder_(std::move(folder))
{
    if (folder_.empty())
        return;
    unsigned long highest = 0;
    size_t files = 0;
    if (DIR* dir = opendir(folder_.c_str())) {
        while (dirent* entry = readdir(dir)) {
            if (unsigned long number = KeptNumber(entry->d_name)) {
                highest = std::max(highest, number);
                ++files;
            }
        }
        closedir(dir);
    }
    next_ = highest + 1;
    kept_ = files;
}

void ScanKeeper::Keep(std::string_view document, const ScanReport& report)
{
    if (folder_.empty())
        return;
    if (kept_++ >= kMaxFiles) {
        if (kept_ == kMaxFiles + 1)
            std::fprintf(stderr, "korvala-service: %s holds %zu kept scans; no more are kept\n", folder_.c_str(),
                         kMaxFiles);
        return;
    }
    const std::string text = WithoutPassword(document, report);
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string path = folder_ + "/scan-" + std::to_string(next_++) + ".xml";
        // Documents hold e-mail addresses: readable by the service's user only.
        int file = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (file < 0 && errno == EEXIST)
            continue;
        bool saved = file >= 0 && WriteAll(file, text);
        if (file >= 0)
            close(file);
        if (!saved)
            std::fprintf(stderr, "korvala-service: could not save %s: %s\n", path.c_str(), std::strerror(errno));
        return;
    }
}
