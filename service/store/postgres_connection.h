#pragma once
// The PostgreSQL side of SqlConnection (libpq). A connection that broke is opened again at the
// next statement; the statement that found it broken fails.
#include "sql_connection.h"

#include <memory>
#include <string>

std::unique_ptr<SqlConnection> OpenPostgresConnection(const std::string& address, std::string& error);
