#pragma once
// Which database a location names: a "postgresql://" (or "postgres://") address names a
// PostgreSQL database; anything else is an SQLite file.
#include <string_view>

inline bool IsPostgresAddress(std::string_view location)
{
    return location.substr(0, 13) == "postgresql://" || location.substr(0, 11) == "postgres://";
}
