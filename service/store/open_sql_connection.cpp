#include "open_sql_connection.h"

#include "database_address.h"
#include "postgres_connection.h"
#include "sqlite_connection.h"

std::unique_ptr<SqlConnection> OpenSqlConnection(const std::string& location, std::string& error)
{
    return IsPostgresAddress(location) ? OpenPostgresConnection(location, error)
                                       : OpenSqliteConnection(location, error);
}
