#pragma once
// Opens the connection of the kind of database that a location names (database_address.h).
#include "sql_connection.h"

#include <memory>
#include <string>

// Connects to a "postgresql://" or "postgres://" address, or opens (or creates) an SQLite file.
std::unique_ptr<SqlConnection> OpenSqlConnection(const std::string& location, std::string& error);
