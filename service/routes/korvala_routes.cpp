#include "korvala_routes.h"

#include "count_form.h"
#include "offer_matcher.h"
#include "pages.h"
#include "scan_reader.h"

namespace {

constexpr const char* kHtml = "text/html; charset=utf-8";
constexpr const char* kText = "text/plain; charset=utf-8";
constexpr const char* kCountTarget = "/count_updates.php";
constexpr const char* kResultsTarget = "/result_page.php?desktop";
constexpr const char* kInstallerTarget = "/download/korvala-setup.exe";
constexpr const char* kInstallerName = "korvala-setup.exe";

struct PageRoute {
    const char* target;
    InfoPage page;
};

const PageRoute kPages[] = {
    {"/", InfoPage::Home},
    {"/help.php", InfoPage::Help},
    {"/about.php", InfoPage::About},
    {"/contact.php", InfoPage::Contact},
    {"/result_page.php?restore_point", InfoPage::RestorePoint},
};

// The engine reads the count reply as atoi does, whatever the status: an error reply there must
// not begin with a number, so it is a plain text that starts with a word. So is the reply to a
// request whose address never arrived.
void Fail(const std::string& target, HttpResponse& response, int status, const std::string& message)
{
    response.status = status;
    if (target == kCountTarget || target.empty())
        response.SetContent("Error: " + message, kText);
    else
        response.SetContent(RenderErrorPage(status, message), kHtml);
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
    case 408:
        return "The request did not arrive in time.";
    case 411:
        return "Send the request body with a Content-Length.";
    case 413:
        return "The request is too large.";
    case 414:
        return "The request's address is too long.";
    case 417:
        return "The expectation of the request cannot be met.";
    case 431:
        return "The request's header is too large.";
    case 501:
        return "This service does not answer this kind of request.";
    case 503:
        return "The service is busy. Try again in a moment.";
    case 505:
        return "Use HTTP/1.0 or HTTP/1.1.";
    default:
        return "The request failed.";
    }
}

void MethodNotAllowed(const std::string& target, HttpResponse& response, const char* allowed,
                      const std::string& message)
{
    Fail(target, response, 405, message);
    response.fields.emplace_back("Allow", allowed);
}

bool IsGet(const HttpRequest& request)
{
    return request.head.method == "GET" || request.head.method == "HEAD";
}

}  // namespace

struct KorvalaRoutes::Evaluation {
    std::optional<CatalogSnapshots::Pin> catalog;  // holds the entries that the offers point to
    // Views into the request's body. Both keep their room from request to request on a thread.
    ScanReport& report = ThreadLocal<ScanReport>();
    std::vector<Offer>& offers = ThreadLocal<std::vector<Offer>>();

    template <typename Value>
    static Value& ThreadLocal()
    {
        thread_local Value value;
        return value;
    }
};

KorvalaRoutes::KorvalaRoutes(const CatalogSnapshots& catalog, ScanRecorder& recorder, ScanKeeper& keeper,
                             RouteSettings settings)
    : catalog_(catalog), recorder_(recorder), keeper_(keeper), settings_(std::move(settings))
{
}

std::vector<std::string> KorvalaRoutes::Targets()
{
    std::vector<std::string> targets = {kCountTarget, kResultsTarget, kInstallerTarget};
    for (const PageRoute& route : kPages)
        targets.emplace_back(route.target);
    return targets;
}

void KorvalaRoutes::Refuse(const std::string& target, int status, HttpResponse& response)
{
    Fail(target, response, status, DefaultMessage(status));
}

void KorvalaRoutes::Handle(const HttpRequest& request, HttpResponse& response) const
{
    const std::string& target = request.head.target;
    const bool post = request.head.method == "POST";
    if (target == kResultsTarget) {
        if (post)
            return Results(request, response);
        return MethodNotAllowed(target, response, "POST",
                                "The results page shows the result of a scan that Korvala sends. Start a scan in "
                                "Korvala.");
    }
    if (target == kCountTarget)
        return post ? Count(request, response) : MethodNotAllowed(target, response, "POST", DefaultMessage(405));
    if (target == kInstallerTarget)
        return IsGet(request) ? Installer(request, response)
                              : MethodNotAllowed(target, response, "GET, HEAD", DefaultMessage(405));
    for (const PageRoute& route : kPages) {
        if (target != route.target)
            continue;
        if (!IsGet(request))
            return MethodNotAllowed(target, response, "GET, HEAD", DefaultMessage(405));
        return response.SetContent(RenderInfoPage(route.page), kHtml);
    }
    Fail(target, response, 404, DefaultMessage(404));
}

bool KorvalaRoutes::Evaluate(const HttpRequest& request, std::string_view document, const char* page,
                             Evaluation& result, HttpResponse& response) const
{
    std::string error;
    if (!ReadScanDocument(document, result.report, error, settings_.maxItems)) {
        if (result.report.itemLimitReached)
            Fail(request.head.target, response, 413,
                 "The scan document holds more items than this service accepts (" + std::to_string(settings_.maxItems) +
                     ").");
        else
            Fail(request.head.target, response, 400, "The scan document could not be read. " + error);
        return false;
    }
    result.catalog.emplace(catalog_.Read());
    FindOffers(result.report, **result.catalog, result.offers);
    const ScanReport& report = result.report;
    // The offered entries are counted by the recorder's thread: here they are only handed over.
    std::shared_ptr<const CatalogSnapshot> catalog;
    std::vector<uint32_t> offered;
    if (!result.offers.empty()) {
        catalog = result.catalog->Hold();
        offered.reserve(result.offers.size());
        for (const Offer& offer : result.offers)
            offered.push_back(offer.entryIndex);
    }
    if (!recorder_.Add({std::string(report.scanGuid), UtcTime(), std::string(report.osVersionCode), page,
                        report.items.size(), result.offers.size(), std::move(catalog), std::move(offered)})) {
        Fail(request.head.target, response, 503, "The service cannot record scans at the moment. Try again later.");
        return false;
    }
    return true;
}

void KorvalaRoutes::Results(const HttpRequest& request, HttpResponse& response) const
{
    if (request.head.multipartForm)
        return Fail(request.head.target, response, 415,
                    "Send the scan document as the raw request body, not as multipart form data.");
    Evaluation result;
    if (!Evaluate(request, request.body, "desktop", result, response))
        return;
    keeper_.Keep(request.body, result.report);
    response.SetContent(RenderResultsPage(result.report, result.offers), kHtml);
}

void KorvalaRoutes::Count(const HttpRequest& request, HttpResponse& response) const
{
    if (request.head.multipartForm)
        return Fail(request.head.target, response, 415,
                    "Send the scan document as the raw request body, not as multipart form data.");
    std::optional<std::string_view> document = CountFormDocument(request.body);
    if (!document)
        return Fail(request.head.target, response, 400, "The body must be data= followed by the scan document.");
    Evaluation result;
    if (!Evaluate(request, *document, "count", result, response))
        return;
    response.SetContent(std::to_string(result.offers.size()), kText);
}

void KorvalaRoutes::Installer(const HttpRequest& request, HttpResponse& response) const
{
    FileBody file = FileBody::Open(settings_.downloadsDir + "/" + kInstallerName);
    if (!file.IsOpen())
        return Fail(request.head.target, response, 404, "The installer is not available at the moment.");
    response.contentType = "application/octet-stream";
    response.fields.emplace_back("Content-Disposition", std::string("attachment; filename=\"") + kInstallerName + "\"");
    response.file = std::move(file);
}
