#include "sqlite_connection.h"

#include <sqlite3.h>

namespace {

const SqlDialect kSqlite = {
    "INTEGER PRIMARY KEY",
    "TEXT",
    "BEGIN IMMEDIATE",
    "BEGIN",
    "",
    "SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name = $1",
    "substr(received_utc, 1, 10)",
    false,
};

class SqliteConnection : public SqlConnection {
public:
    explicit SqliteConnection(sqlite3* db) : db_(db) {}
    ~SqliteConnection() override { sqlite3_close(db_); }
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    bool Execute(const std::string& sql, const std::vector<std::string>& parameters, std::vector<SqlRow>* rows,
                 std::string& error) override
    {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &statement, nullptr) != SQLITE_OK)
            return Failed(statement, error);
        if (sqlite3_bind_parameter_count(statement) != static_cast<int>(parameters.size())) {
            sqlite3_finalize(statement);
            error = "statement parameters do not match: " + sql.substr(0, 80);
            refusedValues_ = false;
            return false;
        }
        for (size_t i = 0; i < parameters.size(); ++i)
            sqlite3_bind_text(statement, static_cast<int>(i + 1), parameters[i].data(),
                              static_cast<int>(parameters[i].size()), SQLITE_STATIC);
        int step = SQLITE_ROW;
        while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
            if (!rows)
                continue;
            SqlRow& row = rows->emplace_back();
            for (int column = 0; column < sqlite3_column_count(statement); ++column) {
                const unsigned char* text = sqlite3_column_text(statement, column);
                row.emplace_back(text ? reinterpret_cast<const char*>(text) : "",
                                 static_cast<size_t>(sqlite3_column_bytes(statement, column)));
            }
        }
        if (step != SQLITE_DONE)
            return Failed(statement, error);
        sqlite3_finalize(statement);
        return true;
    }

    const SqlDialect& Dialect() const override { return kSqlite; }
    bool RefusedValues() const override { return refusedValues_; }

private:
    bool Failed(sqlite3_stmt* statement, std::string& error)
    {
        const int code = sqlite3_errcode(db_);
        refusedValues_ = code == SQLITE_CONSTRAINT || code == SQLITE_TOOBIG || code == SQLITE_MISMATCH;
        error = sqlite3_errmsg(db_);
        sqlite3_finalize(statement);
        return false;
    }

    sqlite3* db_;
    bool refusedValues_ = false;
};

}  // namespace

std::unique_ptr<SqlConnection> OpenSqliteConnection(const std::string& path, std::string& error)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK) {
        error = "cannot open catalog " + path + ": " + (db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        return nullptr;
    }
    auto connection = std::make_unique<SqliteConnection>(db);
    // Other instances and the import command may hold the write lock for a moment.
    sqlite3_busy_timeout(db, 5000);
    std::vector<SqlRow> mode;
    if (!connection->Execute("PRAGMA journal_mode = WAL", {}, &mode, error) ||
        !connection->Execute("PRAGMA synchronous = NORMAL", {}, nullptr, error)) {
        error = "cannot use catalog " + path + ": " + error;
        return nullptr;
    }
    return connection;
}
