#pragma once
// The SQLite side of SqlConnection: a file in write-ahead-log mode, so that readers and the
// one writer do not wait for each other and a commit costs no flush of the whole file.
#include "sql_connection.h"

#include <memory>
#include <string>

std::unique_ptr<SqlConnection> OpenSqliteConnection(const std::string& path, std::string& error);
