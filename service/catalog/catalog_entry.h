#pragma once
// One driver or program version that the service can offer.
#include <string>

struct CatalogEntry {
    std::string identity;     // hardware id, a cut of it, or "SOFTWARE\company\description" (UTF-8)
    std::string name;         // what the user reads (UTF-8)
    std::string version;      // the available version
    std::string download;     // absolute http(s) address, or a path on this service
    std::string osCode = {};  // the OS code of the documents it is for; empty: every Windows
    std::string date = {};    // "YYYY-MM-DD" of a driver; empty when unknown
};

inline bool IsProgramIdentity(const std::string& identity)
{
    return identity.rfind("SOFTWARE\\", 0) == 0;
}
