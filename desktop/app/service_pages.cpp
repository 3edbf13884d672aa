#include "service_pages.h"

ServicePage ClassifyLoadedPage(const std::string& baseUrl, const std::string& url)
{
    if (url.compare(0, baseUrl.size(), baseUrl) != 0) {
        return ServicePage::Other;
    }
    const std::string path = url.substr(baseUrl.size());
    if (path == kResultsPath)
        return ServicePage::Results;
    if (path == kHelpPath)
        return ServicePage::Help;
    if (path == kAboutPath)
        return ServicePage::About;
    if (path == kRestorePointPath)
        return ServicePage::RestorePoint;
    return ServicePage::Other;
}

bool IsRefusedDownload(const std::string& url)
{
    if (url.size() < 3) {
        return false;
    }
    const std::string last = url.substr(url.size() - 3);
    return last == "exe" || last == "zip" || last == "rar";
}
