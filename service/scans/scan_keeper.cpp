#include "scan_keeper.h"

#include "scan_reader.h"
#include "service_log.h"
#include "write_all.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// Documents waiting for the disk, in bytes.
constexpr size_t kQueueBytes = size_t{16} * 1024 * 1024;

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

}  // namespace

std::string WithoutPassword(std::string_view document, const ScanReport& report)
{
    std::string text(document);
    if (report.passwordStart + report.password.size() <= text.size())
        text.erase(report.passwordStart, report.password.size());
    return text;
}

bool ScanKeeper::CanKeep(const KeepSettings& settings, std::string& error)
{
    if (settings.folder.empty())
        return true;
    struct stat info {};
    if (stat(settings.folder.c_str(), &info) == 0 && !S_ISDIR(info.st_mode))
        errno = ENOTDIR;
    else if (access(settings.folder.c_str(), W_OK | X_OK) == 0)
        return true;
    error = "cannot keep scans in " + settings.folder + ": " + std::strerror(errno);
    return false;
}

ScanKeeper::ScanKeeper(KeepSettings settings) : settings_(std::move(settings))
{
    if (settings_.folder.empty())
        return;
    unsigned long highest = 0;
    if (DIR* dir = opendir(settings_.folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            unsigned long number = KeptNumber(entry->d_name);
            struct stat info {};
            if (number == 0 || fstatat(dirfd(dir), entry->d_name, &info, 0) != 0)
                continue;
            highest = std::max(highest, number);
            ++files_;
            bytes_ += static_cast<size_t>(info.st_size);
        }
        closedir(dir);
    }
    next_ = highest + 1;
    writer_ = std::thread([this] { Write(); });
}

ScanKeeper::~ScanKeeper()
{
    Stop();
}

void ScanKeeper::Stop()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    queued_.notify_one();
    if (writer_.joinable())
        writer_.join();
}

bool ScanKeeper::Admit(size_t bytes)
{
    if (queuedBytes_ + bytes > kQueueBytes) {
        if (!behind_)
            LogService("the disk does not take the kept scans in time: documents are not kept while " +
                       std::to_string(queue_.size()) + " wait");
        behind_ = true;
        return false;
    }
    behind_ = false;
    if (!full_ && files_ < settings_.maxFiles && bytes <= settings_.maxBytes - std::min(bytes_, settings_.maxBytes)) {
        ++files_;
        bytes_ += bytes;
        return true;
    }
    if (!full_)
        LogService(settings_.folder + " holds " + std::to_string(files_) + " kept scans of " + std::to_string(bytes_) +
                   " bytes; no more are kept");
    full_ = true;
    return false;
}

void ScanKeeper::Keep(std::string_view document, const ScanReport& report)
{
    if (settings_.folder.empty())
        return;
    std::string text = WithoutPassword(document, report);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_ || !Admit(text.size()))
            return;
        queuedBytes_ += text.size();
        queue_.push_back(std::move(text));
    }
    queued_.notify_one();
}

void ScanKeeper::Write()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        queued_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty())
            return;
        std::string text = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        WriteFile(text);
        lock.lock();
        queuedBytes_ -= text.size();
    }
}

void ScanKeeper::WriteFile(const std::string& text)
{
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string path = settings_.folder + "/scan-" + std::to_string(next_++) + ".xml";
        // Documents hold e-mail addresses: readable by the service's user only.
        int file = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (file < 0 && errno == EEXIST)
            continue;
        bool saved = file >= 0 && WriteAll(file, text);
        if (file >= 0)
            close(file);
        if (!saved)
            LogService("could not save " + path + ": " + std::strerror(errno));
        return;
    }
}
