#include "postgres_connection.h"

#include <libpq-fe.h>

#include <algorithm>
#include <cstring>

namespace {

const SqlDialect kPostgres = {
    "BIGSERIAL PRIMARY KEY",
    "TIMESTAMPTZ",
    "BEGIN",
    "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY",
    // Instances that start together on a new database set it up one after the other.
    "SELECT pg_advisory_xact_lock(5786713)",
    "SELECT COUNT(*) FROM information_schema.tables WHERE table_schema = current_schema() AND table_name = $1",
    "to_char(received_utc AT TIME ZONE 'UTC', 'YYYY-MM-DD')",
    true,
};

// The message of libpq without its trailing line end.
std::string Message(const char* text)
{
    std::string message = text ? text : "unknown error";
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    return message;
}

void IgnoreNotice(void*, const char*) {}

// Classes of SQLSTATE codes that refuse the values of a statement: data exception (a text that
// is not UTF-8, a value out of range), integrity constraint violation, program limit exceeded
// (a value too large for an index).
bool IsRefusalOfValues(const char* sqlState)
{
    return sqlState && (std::strncmp(sqlState, "22", 2) == 0 || std::strncmp(sqlState, "23", 2) == 0 ||
                        std::strncmp(sqlState, "54", 2) == 0);
}

class PostgresConnection : public SqlConnection {
public:
    explicit PostgresConnection(PGconn* connection) : connection_(connection) {}
    ~PostgresConnection() override { PQfinish(connection_); }
    PostgresConnection(const PostgresConnection&) = delete;
    PostgresConnection& operator=(const PostgresConnection&) = delete;

    bool Execute(const std::string& sql, const std::vector<std::string>& parameters, std::vector<SqlRow>* rows,
                 std::string& error) override
    {
        if (PQstatus(connection_) != CONNECTION_OK) {
            PQreset(connection_);
            if (PQstatus(connection_) != CONNECTION_OK) {
                error = "no connection to the database: " + Message(PQerrorMessage(connection_));
                refusedValues_ = false;
                return false;
            }
        }
        // libpq passes a parameter up to its first NUL, and a PostgreSQL text cannot hold one: the
        // rest would be lost without a word.
        if (std::any_of(parameters.begin(), parameters.end(),
                        [](const std::string& parameter) { return parameter.find('\0') != std::string::npos; })) {
            error = "a value holds a NUL byte, which the database cannot store";
            refusedValues_ = true;
            return false;
        }
        std::vector<const char*> values;
        values.reserve(parameters.size());
        for (const std::string& parameter : parameters)
            values.push_back(parameter.c_str());
        PGresult* result = PQexecParams(connection_, sql.c_str(), static_cast<int>(values.size()), nullptr,
                                        values.data(), nullptr, nullptr, 0);
        ExecStatusType status = PQresultStatus(result);
        bool done = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
        if (!done) {
            error = Message(result ? PQresultErrorMessage(result) : PQerrorMessage(connection_));
            refusedValues_ = result && IsRefusalOfValues(PQresultErrorField(result, PG_DIAG_SQLSTATE));
        }
        if (done && rows) {
            for (int row = 0; row < PQntuples(result); ++row) {
                SqlRow& values = rows->emplace_back();
                for (int column = 0; column < PQnfields(result); ++column)
                    values.emplace_back(PQgetvalue(result, row, column),
                                        static_cast<size_t>(PQgetlength(result, row, column)));
            }
        }
        PQclear(result);
        return done;
    }

    const SqlDialect& Dialect() const override { return kPostgres; }
    bool RefusedValues() const override { return refusedValues_; }

private:
    PGconn* connection_;
    bool refusedValues_ = false;
};

}  // namespace

std::unique_ptr<SqlConnection> OpenPostgresConnection(const std::string& address, std::string& error)
{
    PGconn* connection = PQconnectdb(address.c_str());
    if (PQstatus(connection) != CONNECTION_OK) {
        error = "cannot connect to the database: " + Message(PQerrorMessage(connection));
        PQfinish(connection);
        return nullptr;
    }
    PQsetNoticeProcessor(connection, IgnoreNotice, nullptr);
    return std::make_unique<PostgresConnection>(connection);
}
