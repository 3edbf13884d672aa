// The service as a program of its own: the stop that SIGTERM asks for writes every scan record,
// and /readyz turns 503 before the public listener closes;
// a reader of standard error that stalls does not hold the answers, and the log counts the lines
// it could not keep; many large bodies at once keep the program's memory within the budget for
// request bodies (its peak resident size, from /proc); driver packages imported while it runs
// are offered to the PCs whose Windows would install them.
#include "scan_documents.h"
#include "service_log.h"
#include "service_store.h"
#include "test_service.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>
#include <vector>

namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr const char* kForm = "application/x-www-form-urlencoded";
// Generous: the machine may be busy with other work; the program needs far less.
constexpr seconds kPatience(60);

std::string CountBody()
{
    return "data=" + WholeDocument(SamplePcInventory());
}

// korvala-service started with a fresh SQLite catalog in a folder of its own and the given
// options, its standard error on the given descriptor or else in a log file; killed at the end
// if it still runs.
class ServiceProgram {
public:
    ServiceProgram(const std::string& name, const std::vector<std::string>& options, int standardError = -1)
        : folder_(testing::TempDir() + "/" + name)
    {
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        std::vector<std::string> arguments = {KORVALA_SERVICE_PROGRAM,
                                              "--listen",
                                              "127.0.0.1:0",
                                              "--admin-listen",
                                              "127.0.0.1:0",
                                              "--catalog",
                                              Database(),
                                              "--downloads",
                                              folder_};
        arguments.insert(arguments.end(), options.begin(), options.end());
        std::vector<char*> argv;
        argv.reserve(arguments.size() + 1);
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (standardError >= 0)
            posix_spawn_file_actions_adddup2(&actions, standardError, 2);
        else
            posix_spawn_file_actions_addopen(&actions, 2, LogPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~ServiceProgram()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        std::filesystem::remove_all(folder_);
    }
    ServiceProgram(const ServiceProgram&) = delete;
    ServiceProgram& operator=(const ServiceProgram&) = delete;

    pid_t Pid() const { return pid_; }
    std::string Database() const { return folder_ + "/catalog.sqlite"; }
    std::string LogPath() const { return folder_ + "/service.log"; }
    std::string LogText() const
    {
        std::ifstream file(LogPath());
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

    // Stops it as SIGTERM does; true when it ended by itself with status 0.
    bool Stop()
    {
        int status = -1;
        bool stopped = kill(pid_, SIGTERM) == 0 && waitpid(pid_, &status, 0) == pid_;
        pid_ = -1;
        return stopped && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    // The peak resident size so far, in bytes; 0 when it cannot be read.
    size_t PeakResidentBytes() const
    {
        std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("VmHWM:", 0) == 0)
                return std::stoull(line.substr(6)) * 1024;  // "VmHWM:    12345 kB"
        }
        return 0;
    }

private:
    std::string folder_;
    pid_t pid_ = -1;
};

// The port of the program's "listening on" line (or of another that mark begins), once the log
// that readLog returns holds it; 0 when it does not within the patience.
int ListeningPort(const std::function<std::string()>& readLog,
                  const std::string& mark = "listening on http://127.0.0.1:")
{
    for (auto end = std::chrono::steady_clock::now() + kPatience; std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(milliseconds(20))) {
        const std::string log = readLog();
        if (size_t at = log.find(mark); at != std::string::npos && log.find('\n', at) != std::string::npos)
            return std::atoi(log.c_str() + at + mark.size());
    }
    return 0;
}

// What the pipe holds now, without waiting.
std::string ReadAvailable(int pipe)
{
    std::string text;
    char buffer[4096];
    while (true) {
        pollfd ready{pipe, POLLIN, 0};
        if (poll(&ready, 1, 0) <= 0)
            return text;
        ssize_t got = read(pipe, buffer, sizeof buffer);
        if (got <= 0)
            return text;
        text.append(buffer, static_cast<size_t>(got));
    }
}

// What the kernel holds received on the connections of the local port and the program has not
// read yet (the receive queues of /proc/net/tcp).
size_t UnreadBytes(int port)
{
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line);  // the column names
    size_t unread = 0;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state, queues;
        fields >> slot >> local >> remote >> state >> queues;
        const bool listening = state == "0A";
        if (!listening && std::stoi(local.substr(local.find(':') + 1), nullptr, 16) == port)
            unread += std::stoul(queues.substr(queues.find(':') + 1), nullptr, 16);
    }
    return unread;
}

size_t CountOf(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

void WriteFile(const std::filesystem::path& path, const std::string& text)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// What the command writes to standard output.
std::string Output(const std::string& command)
{
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return output;
    char buffer[4096];
    for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, got);
    pclose(pipe);
    return output;
}

// A driver package's INF file: one manufacturer with the models sections of the decorations,
// the first holding the device.
std::string DriverInf(const std::string& driverVer, const std::vector<std::string>& decorations,
                      const std::string& device)
{
    std::string inf = "[Version]\r\nSignature=\"$Windows NT$\"\r\nProvider=%Maker%\r\nDriverVer=" + driverVer +
                      "\r\n[Manufacturer]\r\n%Maker%=Models";
    for (const std::string& decoration : decorations)
        inf += "," + decoration;
    inf += "\r\n";
    for (size_t i = 0; i < decorations.size(); ++i)
        inf += "[Models." + decorations[i] + "]\r\n" + (i == 0 ? "%Desc%=Install," + device + "\r\n" : "");
    return inf + "[Strings]\r\nMaker=\"Maker\"\r\nDesc=\"Device\"\r\n";
}

size_t OfferRows(const std::string& page)
{
    return CountOf(page, "<tr class=\"offer\">");
}

// As an operator runs it: a folder of packages imported into the catalog of a running service.
// An XP PC and a Windows 7 PC with the same devices, in the desktop program's documents, get the
// drivers their Windows would install; each count equals its page.
TEST(ServiceProgram, OffersImportedDriversToTheWindowsTheyAreFor)
{
    ServiceProgram program("korvala-drivers", {});
    ASSERT_GT(program.Pid(), 0);
    const int port = ListeningPort([&] { return program.LogText(); });
    ASSERT_GT(port, 0) << program.LogText();

    const std::string display = "PCI\\VEN_10DE&DEV_0422", storage = "PCI\\VEN_1B4B&DEV_9123&SUBSYS_91231B4B";
    const std::filesystem::path packages = testing::TempDir() + "/korvala-packages";
    std::filesystem::remove_all(packages);
    WriteFile(packages / "display/xp-181/nv4_disp.inf",
              DriverInf("11/05/2008,6.14.11.8122", {"NTx86.5.1", "NTx86.6.0"}, display));
    // Newer, but of a lower version: it replaces nothing.
    WriteFile(packages / "display/xp-180/nv4_disp.inf",
              DriverInf("01/10/2009,6.14.11.8048", {"NTx86.5.1", "NTx86.6.0"}, display));
    WriteFile(packages / "display/vista-181/nvlddmkm.inf",
              DriverInf("11/05/2008,8.17.12.9610", {"NTx86.6.0"}, display));
    WriteFile(packages / "storage/xp/mv91xx.inf",
              DriverInf("03/02/2010,1.2.0.1002", {"NTx86.5.1", "NTx86.6.0"}, storage));
    const std::string import = std::string(KORVALA_SERVICE_PROGRAM) + " --catalog " + program.Database() +
                               " --import-drivers " + packages.string() + " --download-base http://drivers.example/pk";
    const std::string report = Output(import);
    for (const char* line : {"INF files read: 4 of 4, in 4 packages\n", "entries for OS code 4: 2\n",
                             "entries for OS code 6: 1\n", "catalog: 3 entries added, 0 replaced, 0 unchanged"})
        EXPECT_NE(report.find(line), std::string::npos) << line << " in\n" << report;
    EXPECT_NE(Output(import).find("catalog: 0 entries added, 0 replaced, 3 unchanged"), std::string::npos);

    const std::string inventory = DeviceLines("PCI\\VEN_10DE&DEV_0422&SUBSYS_04601458&REV_A1", "6.14.11.6921", false) +
                                  DeviceLines("PCI\\VEN_1B4B&DEV_9123&SUBSYS_91231B4B&REV_11", "1.0.0.0", false);
    httplib::Client client("127.0.0.1", port);
    auto count = [&](const char* osCode) {
        httplib::Result reply =
            client.Post("/count_updates.php", "data=" + WholeDocument(inventory, "", "", osCode), kForm);
        return reply ? reply->body : std::string("no reply");
    };
    // The running service takes the new catalog within a second or so.
    for (auto end = std::chrono::steady_clock::now() + kPatience;
         count("4") != "2" && std::chrono::steady_clock::now() < end;)
        std::this_thread::sleep_for(milliseconds(50));
    const struct {
        const char* osCode;
        std::vector<std::string> shown;
        std::vector<std::string> notShown;
    } pcs[] = {
        {"4",
         {"6.14.11.8122 <span class=\"date\">(2008-11-05)</span>", "http://drivers.example/pk/display/xp-181/",
          "1.2.0.1002 <span class=\"date\">(2010-03-02)</span>"},
         {"8.17.12"}},
        {"6", {"8.17.12.9610 <span class=\"date\">(2008-11-05)</span>"}, {"6.14.11.8", "1.2.0.1002"}},
    };
    for (const auto& pc : pcs) {
        httplib::Result page =
            client.Post("/result_page.php?desktop", WholeDocument(inventory, "", "", pc.osCode), "text/xml");
        ASSERT_TRUE(page);
        EXPECT_EQ(std::to_string(OfferRows(page->body)), count(pc.osCode)) << pc.osCode;
        for (const std::string& text : pc.shown)
            EXPECT_NE(page->body.find(text), std::string::npos) << pc.osCode << ": " << text;
        for (const std::string& text : pc.notShown)
            EXPECT_EQ(page->body.find(text), std::string::npos) << pc.osCode << ": " << text;
    }
    EXPECT_EQ(count("4"), "2");
    EXPECT_EQ(count("6"), "1");
    EXPECT_TRUE(program.Stop());
    std::filesystem::remove_all(packages);
}

TEST(ServiceProgram, WritesEveryRecordBeforeItEndsOnSigterm)
{
    ServiceProgram program("korvala-program", {});
    ASSERT_GT(program.Pid(), 0);
    const int port = ListeningPort([&] { return program.LogText(); });
    ASSERT_GT(port, 0) << program.LogText();
    httplib::Client client("127.0.0.1", port);
    for (int i = 0; i < 20; ++i) {
        httplib::Result reply = client.Post("/count_updates.php", CountBody(), kForm);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->body, "5");
    }
    const std::string database = program.Database();
    EXPECT_TRUE(program.Stop()) << program.LogText();
    EXPECT_NE(program.LogText().find("korvala-service: stopped"), std::string::npos);
    std::string error;
    std::unique_ptr<ServiceStore> store = ServiceStore::Open(database, error);
    ASSERT_TRUE(store) << error;
    EXPECT_EQ(store->ScanCount(), 20);
}

// A load balancer that asks /readyz stops sending requests before the service stops answering
// them: SIGTERM turns it to 503 at once, and the public listener serves on for the drain time (a
// second signal ends it).
TEST(ServiceProgram, TurnsUnreadyOnSigtermBeforeItStopsServing)
{
    ServiceProgram program("korvala-drain", {"--drain", "60"});
    ASSERT_GT(program.Pid(), 0);
    const int port = ListeningPort([&] { return program.LogText(); });
    const int adminPort = ListeningPort([&] { return program.LogText(); }, "admin listener on http://127.0.0.1:");
    ASSERT_GT(port, 0) << program.LogText();
    ASSERT_GT(adminPort, 0) << program.LogText();
    httplib::Client admin("127.0.0.1", adminPort);
    httplib::Result ready = admin.Get("/readyz");
    ASSERT_TRUE(ready);
    EXPECT_EQ(ready->status, 200);
    EXPECT_EQ(ready->body, "ready\n");

    ASSERT_EQ(kill(program.Pid(), SIGTERM), 0);
    for (auto end = std::chrono::steady_clock::now() + kPatience;
         ready && ready->status == 200 && std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(milliseconds(20)))
        ready = admin.Get("/readyz");
    ASSERT_TRUE(ready);
    EXPECT_EQ(ready->status, 503);
    EXPECT_EQ(ready->body, "not ready: the service is stopping\n");
    httplib::Client client("127.0.0.1", port);
    httplib::Result reply = client.Post("/count_updates.php", CountBody(), kForm);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->body, "5");
    EXPECT_TRUE(program.Stop()) << program.LogText();
}

TEST(ServiceProgram, AStalledReaderOfStandardErrorHoldsNoAnswer)
{
    int ends[2];
    ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
    fcntl(ends[1], F_SETPIPE_SZ, 4096);  // the smallest pipe: a few dozen log lines fill it
    ServiceProgram program("korvala-stalled-log", {}, ends[1]);
    close(ends[1]);
    ASSERT_GT(program.Pid(), 0);
    std::string log;
    const int port = ListeningPort([&] { return log += ReadAvailable(ends[0]); });
    ASSERT_GT(port, 0) << log;

    // The pipe is no longer read: many times more log lines than it holds.
    constexpr int kRequests = 500;
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(kPatience.count(), 0);
    for (int i = 0; i < kRequests; ++i) {
        httplib::Result reply = client.Get("/help.php");
        ASSERT_TRUE(reply) << "request " << i;
        ASSERT_EQ(reply->status, 200) << "request " << i;
    }

    // Once it is read again, every line comes out.
    const auto end = std::chrono::steady_clock::now() + kPatience;
    while (CountOf(log, " GET /help.php 200 ") < kRequests && std::chrono::steady_clock::now() < end) {
        log += ReadAvailable(ends[0]);
        std::this_thread::sleep_for(milliseconds(20));
    }
    EXPECT_EQ(CountOf(log, " GET /help.php 200 "), static_cast<size_t>(kRequests));
    EXPECT_TRUE(program.Stop());
    close(ends[0]);
}

TEST(ServiceLog, CountsTheLinesItDropped)
{
    int ends[2];
    ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
    fcntl(ends[1], F_SETPIPE_SZ, 4096);
    constexpr size_t kLines = 300;
    const std::string line(99, 'x');
    std::string log;
    {
        LogWriter writer(ends[1], 10);
        for (size_t i = 0; i < kLines; ++i)
            writer.Write(line);  // none of these waits for the reader
        while (!writer.Flush(milliseconds(10)))
            log += ReadAvailable(ends[0]);
    }
    close(ends[1]);
    log += ReadAvailable(ends[0]);
    close(ends[0]);
    // Every line is either written or counted in a report of dropped lines.
    size_t dropped = 0;
    const std::string mark = "korvala-service: ", report = " log lines were dropped:";
    for (size_t at = log.find(mark); at != std::string::npos; at = log.find(mark, at + 1)) {
        size_t digits = 0;
        dropped += std::stoul(log.substr(at + mark.size()), &digits);
        EXPECT_EQ(log.compare(at + mark.size() + digits, report.size(), report), 0);
    }
    EXPECT_GT(dropped, 0u);
    EXPECT_EQ(CountOf(log, line + "\n") + dropped, kLines);
}

TEST(ServiceProgram, ManyLargeBodiesStayWithinTheBudget)
{
    constexpr size_t kMiB = size_t{1024} * 1024;
    constexpr size_t kBudget = 64 * kMiB;
    constexpr size_t kClients = 1000;
    ServiceProgram program("korvala-bodies", {"--request-buffers", "64M", "--client-connections", "1000"});
    ASSERT_GT(program.Pid(), 0);
    const int port = ListeningPort([&] { return program.LogText(); });
    ASSERT_GT(port, 0) << program.LogText();
    auto countAnswered = [&] {
        httplib::Client client("127.0.0.1", port);
        httplib::Result reply = client.Post("/count_updates.php", CountBody(), kForm);
        return reply && reply->body == "5";
    };
    ASSERT_TRUE(countAnswered());
    const size_t before = program.PeakResidentBytes();
    ASSERT_GT(before, 0u);

    // Each client sends a 1 MiB body but its last byte, until the service answers it.
    const std::string request =
        "POST /count_updates.php HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: " + std::to_string(kMiB) + "\r\n\r\n" +
        std::string(kMiB - 1, 'x');
    std::vector<int> sockets;
    std::vector<pollfd> waiting;  // a client that is done has fd -1 here
    std::vector<size_t> sent(kClients, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (size_t i = 0; i < kClients; ++i) {
        const int client = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << i;
        fcntl(client, F_SETFL, O_NONBLOCK);
        sockets.push_back(client);
        waiting.push_back({client, POLLIN | POLLOUT, 0});
    }
    auto allDone = [&] {
        return std::all_of(waiting.begin(), waiting.end(), [](const pollfd& c) { return c.fd < 0; });
    };
    for (auto end = std::chrono::steady_clock::now() + kPatience;
         std::chrono::steady_clock::now() < end && poll(waiting.data(), waiting.size(), 1000) >= 0;) {
        for (size_t i = 0; i < kClients; ++i) {
            pollfd& client = waiting[i];
            if (client.fd >= 0 && (client.revents & (POLLIN | POLLHUP | POLLERR))) {
                client.fd = -1;  // refused (503), or closed to make room
            } else if (client.fd >= 0 && (client.revents & POLLOUT)) {
                ssize_t written = send(client.fd, request.data() + sent[i],
                                       std::min(size_t{64} * 1024, request.size() - sent[i]), MSG_NOSIGNAL);
                sent[i] += written > 0 ? static_cast<size_t>(written) : 0;
                client.fd = sent[i] == request.size() ? -1 : client.fd;
            }
        }
        if (allDone())
            break;
    }
    // The program has read what it took: the kernel would otherwise hold the bodies for it.
    for (auto end = std::chrono::steady_clock::now() + kPatience;
         UnreadBytes(port) > 0 && std::chrono::steady_clock::now() < end;)
        std::this_thread::sleep_for(milliseconds(20));
    EXPECT_EQ(UnreadBytes(port), 0u);
    const size_t peak = program.PeakResidentBytes();
    RecordProperty("peak resident size before the bodies (MiB)", static_cast<int>(before / kMiB));
    RecordProperty("peak resident size after them (MiB)", static_cast<int>(peak / kMiB));
    EXPECT_TRUE(allDone());
    EXPECT_LT(peak - before, 2 * kBudget)
        << "peak resident size " << peak / kMiB << " MiB, before the bodies " << before / kMiB << " MiB";
    for (int client : sockets)
        close(client);
    EXPECT_TRUE(countAnswered());
    EXPECT_TRUE(program.Stop());
}

}  // namespace
