#include "korvala_routes.h"

#include "count_form.h"
#include "offer_matcher.h"
#include "pages.h"
#include "scan_reader.h"

#include <sys/stat.h>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <memory>

namespace {

constexpr const char* kHtml = "text/html; charset=utf-8";
constexpr const char* kCountPath = "/count_updates.php";
constexpr const char* kResultsTarget = "/result_page.php?desktop";
constexpr const char* kRestorePointTarget = "/result_page.php?restore_point";
constexpr const char* kInstallerName = "korvala-setup.exe";

// The engine reads the count reply as atoi does, whatever the status: an error reply there must
// not begin with a number, so it is a plain text that starts with a word.
void Fail(const httplib::Request& req, httplib::Response& res, int status, const std::string& message)
{
    res.status = status;
    if (req.path == kCountPath)
        res.set_content("Error: " + message, "text/plain; charset=utf-8");
    else
        res.set_content(RenderErrorPage(status, message), kHtml);
}

std::string DefaultMessage(int status)
{
    switch (status) {
    case 400:
        return "The request could not be read.";
    case 404:
        return "There is no page at this address.";
    case 405:
        return "This address does not answer this kind of request.";
    case 413:
        return "The request is too large.";
    default:
        return "The request failed.";
    }
}

enum class BodyOutcome { Read, TooLarge, Unreadable, FormData };

// The request body as sent: never form-decoded, whatever Content-Type says.
BodyOutcome ReadRawBody(const httplib::Request& req, const httplib::ContentReader& reader, size_t limit,
                        std::string& body)
{
    if (req.is_multipart_form_data())
        return BodyOutcome::FormData;
    bool tooLarge = false;
    bool read = reader([&](const char* data, size_t length) {
        if (length > limit - body.size()) {
            tooLarge = true;
            return false;
        }
        body.append(data, length);
        return true;
    });
    if (tooLarge)
        return BodyOutcome::TooLarge;
    return read ? BodyOutcome::Read : BodyOutcome::Unreadable;
}

// Reads the body and answers the failures; true when the body is ready for the handler.
bool AcceptBody(const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader, size_t limit,
                std::string& body)
{
    switch (ReadRawBody(req, reader, limit, body)) {
    case BodyOutcome::Read:
        return true;
    case BodyOutcome::TooLarge:
        Fail(req, res, 413,
             "The scan document is larger than this service accepts (" + std::to_string(limit) + " bytes).");
        break;
    case BodyOutcome::Unreadable:
        // A body over the limit that was announced in Content-Length is refused before reading.
        Fail(req, res, res.status == 413 ? 413 : 400,
             res.status == 413 ? DefaultMessage(413) : "The request body could not be read.");
        break;
    case BodyOutcome::FormData:
        Fail(req, res, 415, "Send the scan document as the raw request body, not as multipart form data.");
        break;
    }
    // The rest of an unread body would be taken for the next request.
    res.set_header("Connection", "close");
    return false;
}

struct Evaluation {
    ScanReport report;
    std::vector<Offer> offers;
};

bool Evaluate(CatalogStore& catalog, std::string_view document, const char* page, Evaluation& result,
              std::string& error)
{
    if (!ReadScanDocument(document, result.report, error))
        return false;
    result.offers = FindOffers(result.report, [&](const std::string& hash) { return catalog.FindByHash(hash); });
    catalog.RecordScan(
        {result.report.scanGuid, result.report.osVersionCode, page, result.report.items.size(), result.offers.size()});
    return true;
}

void LogRequest(const httplib::Request& req, const httplib::Response& res)
{
    std::string target = req.target.substr(0, 200);
    for (char& c : target) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F)
            c = '?';
    }
    std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char stamp[32];
    if (std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &parts) == 0)
        stamp[0] = '\0';
    std::fprintf(stderr, "%s %s %s %s %d %zu\n", stamp, req.remote_addr.c_str(), req.method.c_str(), target.c_str(),
                 res.status, res.body.size());
}

bool ReadWholeFile(const std::string& path, std::string& content)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    std::ifstream file(path, std::ios::binary);
    content.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

// Saves each document as the next numbered file of the folder; a failed write only leaves the
// file out (the client's reply does not depend on it).
class ScanKeeper {
public:
    explicit ScanKeeper(std::string folder) : folder_(std::move(folder)) {}
    void Keep(const std::string& document)
    {
        if (folder_.empty())
            return;
        std::string path = folder_ + "/scan-" + std::to_string(++received_) + ".xml";
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(document.data(), static_cast<std::streamsize>(document.size()));
        if (!file)
            std::fprintf(stderr, "korvala-service: could not save %s\n", path.c_str());
    }

private:
    std::string folder_;
    std::atomic<unsigned> received_{0};
};

void ServeInfoPage(httplib::Server& server, const char* path, InfoPage page)
{
    server.Get(path, [page](const httplib::Request&, httplib::Response& res) {
        res.set_content(RenderInfoPage(page), kHtml);
    });
}

}  // namespace

void InstallKorvalaRoutes(httplib::Server& server, CatalogStore& catalog, const RouteSettings& settings)
{
    const size_t limit = settings.maxBodyBytes;
    server.set_payload_max_length(limit);
    server.set_logger(LogRequest);
    server.set_error_handler([](const httplib::Request& req, httplib::Response& res) {
        if (res.body.empty())
            Fail(req, res, res.status, DefaultMessage(res.status));
    });

    // Both query forms share one path: the raw target decides.
    auto keeper = std::make_shared<ScanKeeper>(settings.keptScansDir);
    server.Post("/result_page.php", [&catalog, limit, keeper](const httplib::Request& req, httplib::Response& res,
                                                              const httplib::ContentReader& reader) {
        std::string body;
        if (!AcceptBody(req, res, reader, limit, body))
            return;
        if (req.target != kResultsTarget)
            return Fail(req, res, 404, DefaultMessage(404));
        keeper->Keep(body);
        Evaluation result;
        std::string error;
        if (!Evaluate(catalog, body, "desktop", result, error))
            return Fail(req, res, 400, "The scan document could not be read. " + error);
        res.set_content(RenderResultsPage(result.report, result.offers), kHtml);
    });

    server.Post(kCountPath, [&catalog, limit](const httplib::Request& req, httplib::Response& res,
                                              const httplib::ContentReader& reader) {
        std::string body;
        if (!AcceptBody(req, res, reader, limit, body))
            return;
        std::optional<std::string_view> document = CountFormDocument(body);
        if (!document)
            return Fail(req, res, 400, "The body must be data= followed by the scan document.");
        Evaluation result;
        std::string error;
        if (!Evaluate(catalog, *document, "count", result, error))
            return Fail(req, res, 400, "The scan document could not be read. " + error);
        // Not text/*: the library would gzip a text reply for a client that accepts gzip, and the
        // engine's client sends "Accept-Encoding: gzip, deflate" but reads the body as it comes.
        res.set_content(std::to_string(result.offers.size()), "application/octet-stream");
    });

    server.Get("/result_page.php", [](const httplib::Request& req, httplib::Response& res) {
        if (req.target == kRestorePointTarget)
            return res.set_content(RenderInfoPage(InfoPage::RestorePoint), kHtml);
        if (req.target == kResultsTarget)
            return Fail(req, res, 405,
                        "The results page shows the result of a scan that Korvala sends. Start a scan in Korvala.");
        Fail(req, res, 404, DefaultMessage(404));
    });
    ServeInfoPage(server, "/", InfoPage::Home);
    ServeInfoPage(server, "/help.php", InfoPage::Help);
    ServeInfoPage(server, "/about.php", InfoPage::About);
    ServeInfoPage(server, "/contact.php", InfoPage::Contact);

    std::string installer = settings.downloadsDir + "/" + kInstallerName;
    server.Get(
        std::string("/download/") + kInstallerName, [installer](const httplib::Request& req, httplib::Response& res) {
            std::string content;
            if (!ReadWholeFile(installer, content))
                return Fail(req, res, 404, "The installer is not available at the moment.");
            res.set_header("Content-Disposition", std::string("attachment; filename=\"") + kInstallerName + "\"");
            res.set_content(content, "application/octet-stream");
        });
}
