#include "test_postgres.h"

#include <libpq-fe.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>

namespace {

// The newest installed server's programs, empty when there is none.
std::string ServerPrograms()
{
    std::string newest;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", ignored)) {
        std::string bin = entry.path().string() + "/bin";
        if (std::filesystem::exists(bin + "/initdb") && bin > newest)
            newest = bin;
    }
    return newest;
}

int FreeLoopbackPort()
{
    int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = -1;
    if (bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    close(probe);
    return port;
}

class TestPostgres {
public:
    TestPostgres()
    {
        const std::string bin = ServerPrograms();
        if (bin.empty()) {
            error_ = "no PostgreSQL server under /usr/lib/postgresql (tools/install-deps.sh installs it)";
            return;
        }
        std::string pattern = (std::filesystem::temp_directory_path() / "korvala-postgres-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            error_ = "cannot make a folder for the test database";
            return;
        }
        folder_ = pattern;
        // The server runs as its own user when the tests run as root.
        if (geteuid() == 0) {
            passwd* user = getpwnam("postgres");
            if (!user || chown(folder_.c_str(), user->pw_uid, user->pw_gid) != 0) {
                error_ = "cannot hand the test database folder to the postgres user";
                return;
            }
            runAs_ = "runuser -u postgres -- ";
        }
        ctl_ = runAs_ + bin + "/pg_ctl -D " + folder_ + "/data";
        // Stops the server and removes its folder also when the test program ends without
        // running its destructors (a crash, or the time limit of the test runner).
        std::system(("(while kill -0 " + std::to_string(getpid()) + " 2>/dev/null; do sleep 1; done; " + ctl_ +
                     " -m immediate stop; rm -rf " + folder_ + ") >/dev/null 2>&1 &")
                        .c_str());
        if (!Succeeds(runAs_ + bin + "/initdb -D " + folder_ +
                      "/data -A trust -U postgres --no-sync -E UTF8 --locale=C")) {
            error_ = "initdb failed (" + folder_ + "/setup.log)";
            return;
        }
        // A port taken between the probe and the start is retried with another one.
        for (int attempt = 0; attempt < 3 && port_ < 0; ++attempt) {
            int port = FreeLoopbackPort();
            if (Succeeds(ctl_ + " -l " + folder_ + "/server.log -w -o \"-p " + std::to_string(port) + " -k " + folder_ +
                         " -c listen_addresses=127.0.0.1 -c fsync=off\" start"))
                port_ = port;
        }
        if (port_ < 0)
            error_ = "the test PostgreSQL server did not start (" + folder_ + "/server.log)";
    }

    ~TestPostgres()
    {
        if (port_ >= 0)
            Succeeds(ctl_ + " -m immediate stop");
        if (!folder_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(folder_, ignored);
        }
    }

    std::string NewDatabase(std::string& error)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (port_ < 0) {
            error = error_;
            return {};
        }
        const std::string name = "korvala_" + std::to_string(++databases_);
        const std::string server = "postgresql://postgres@127.0.0.1:" + std::to_string(port_) + "/";
        PGconn* connection = PQconnectdb((server + "postgres").c_str());
        PGresult* result = PQexec(connection, ("CREATE DATABASE " + name).c_str());
        bool created = PQresultStatus(result) == PGRES_COMMAND_OK;
        if (!created)
            error = "cannot create a test database: " + std::string(PQerrorMessage(connection));
        PQclear(result);
        PQfinish(connection);
        return created ? server + name : std::string();
    }

private:
    bool Succeeds(const std::string& command)
    {
        return std::system(("cd " + folder_ + " && " + command + " >>" + folder_ + "/setup.log 2>&1").c_str()) == 0;
    }

    std::string folder_;
    std::string runAs_;
    std::string ctl_;
    std::string error_;
    int port_ = -1;
    int databases_ = 0;
    std::mutex mutex_;
};

}  // namespace

std::string NewPostgresDatabase(std::string& error)
{
    static TestPostgres server;
    return server.NewDatabase(error);
}
