#pragma once
// A connection to the service's database, SQLite or PostgreSQL, behind one small interface:
// statements with parameters passed as text, in the order they stand in the statement, and
// result rows as text. Both take $1, $2, ... (first used in the order of their numbers).
#include <string>
#include <vector>

using SqlRow = std::vector<std::string>;

// What differs between the two databases in the service's statements.
struct SqlDialect {
    const char* serialKey;       // the column type of an id numbered by the database
    const char* timeColumn;      // the column type of a UTC time
    const char* beginWrite;      // a transaction that writes
    const char* beginRead;       // a transaction that reads one consistent state
    const char* serializeSetUp;  // run first in the set-up and driver-import transactions ("" when not needed)
    const char* tableExists;     // a query of the number of tables named $1
    const char* receivedDay;     // the UTC day of scans.received_utc as "YYYY-MM-DD"
    // Parameters of long statements: SQLite looks each named one ($1) up in a list, so its
    // thousands of parameters are plain "?".
    bool numberedParameters;
};

class SqlConnection {
public:
    virtual ~SqlConnection() = default;
    // Runs one statement; rows, when given, receive its result. false and a message on failure.
    virtual bool Execute(const std::string& sql, const std::vector<std::string>& parameters, std::vector<SqlRow>* rows,
                         std::string& error) = 0;
    // Whether the last statement that failed (also when statements succeeded since) was refused
    // for the values it was given (a constraint, a text the database cannot hold), so that other
    // values could succeed; not for the state of the database (unreachable, locked, full, a
    // missing table).
    virtual bool RefusedValues() const = 0;
    virtual const SqlDialect& Dialect() const = 0;
};
