#include "postgres_connection.h"

#include <libpq-fe.h>

namespace {

const SqlDialect kPostgres = {
    "BIGSERIAL PRIMARY KEY",
    "TIMESTAMPTZ",
    "BEGIN",
    "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY",
    // Instances that start together on a new database set it up one after the other.
    "SELECT pg_advisory_xact_lock(5786713)",
    "SELECT COUNT(*) FROM information_schema.tables WHERE table_schema = current_schema() AND table_name = $1",
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
                return false;
            }
        }
        std::vector<const char*> values;
        values.reserve(parameters.size());
        for (const std::string& parameter : parameters)
            values.push_back(parameter.c_str());
        PGresult* result = PQexecParams(connection_, sql.c_str(), static_cast<int>(values.size()), nullptr,
                                        values.data(), nullptr, nullptr, 0);
        ExecStatusType status = PQresultStatus(result);
        bool done = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
        if (!done)
            error = Message(result ? PQresultErrorMessage(result) : PQerrorMessage(connection_));
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

private:
    PGconn* connection_;
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
