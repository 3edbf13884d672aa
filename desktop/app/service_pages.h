// The web service's pages that the main window shows and recognises, and the addresses the
// browser refuses to open.
#pragma once

#include <string>

enum class ServicePage { Other, Results, Help, About, RestorePoint };

inline constexpr char kResultsPath[] = "/result_page.php?desktop";
inline constexpr char kHelpPath[] = "/help.php";
inline constexpr char kAboutPath[] = "/about.php";
inline constexpr char kRestorePointPath[] = "/result_page.php?restore_point";

// Which of the service's pages `url` is: the whole address must equal the base address followed
// by the page's path, exactly and case-sensitively.
ServicePage ClassifyLoadedPage(const std::string& baseUrl, const std::string& url);

// Addresses ending in "exe", "zip" or "rar" (exact case) are downloads the browser does not open.
bool IsRefusedDownload(const std::string& url);
