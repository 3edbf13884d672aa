#pragma once
// The service's HTML pages: plain HTML 4 with inline style and no script, so that the desktop
// program's embedded browser shows them as they are.
#include "offer_matcher.h"
#include "scan_reader.h"

#include <string>
#include <vector>

enum class InfoPage { Home, Help, About, Contact, RestorePoint };

std::string RenderInfoPage(InfoPage page);
std::string RenderResultsPage(const ScanReport& report, const std::vector<Offer>& offers);
// message is plain text; it is escaped.
std::string RenderErrorPage(int status, const std::string& message);
