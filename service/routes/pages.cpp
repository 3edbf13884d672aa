#include "pages.h"

#include "ansi_text.h"
#include "korvala_version.h"

#include <map>

namespace {

constexpr const char* kDownloadsFolder = "C:\\Korvala Downloads";

std::string PageShell(const std::string& title, const std::string& body)
{
    return "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n"
           "<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n"
           "<title>Korvala - " +
           HtmlEscape(title) +
           "</title>\n"
           "<style type=\"text/css\">\n"
           "body { margin: 0; font-family: Tahoma, Verdana, Arial, sans-serif; font-size: 13px; color: #222; "
           "background: #fff; }\n"
           ".bar { background: #1f4e79; color: #fff; padding: 8px 16px; }\n"
           ".bar a { color: #fff; margin-right: 14px; }\n"
           ".main { padding: 8px 16px 16px 16px; }\n"
           "h1 { font-size: 18px; color: #1f4e79; }\n"
           "h2 { font-size: 14px; color: #1f4e79; margin-top: 18px; }\n"
           "table.offers { border-collapse: collapse; margin: 8px 0; }\n"
           "table.offers th { background: #dde8f3; text-align: left; }\n"
           "table.offers th, table.offers td { border: 1px solid #9fb6cd; padding: 4px 8px; }\n"
           ".note { background: #fff7d6; border: 1px solid #e0c860; padding: 8px; margin: 10px 0; }\n"
           ".foot { color: #777; font-size: 11px; padding: 0 16px 12px 16px; }\n"
           "</style>\n</head>\n<body>\n"
           "<div class=\"bar\"><b>Korvala 2007</b> &nbsp; <a href=\"/\">Home</a><a href=\"/help.php\">Help</a>"
           "<a href=\"/about.php\">About</a><a href=\"/contact.php\">Contact</a></div>\n"
           "<div class=\"main\">\n<h1>" +
           HtmlEscape(title) + "</h1>\n" + body +
           "</div>\n<div class=\"foot\">Korvala keeps the drivers and programs of your PC up to date.</div>\n"
           "</body>\n</html>\n";
}

const std::string& RestorePointAdvice()
{
    static const std::string advice =
        "<p class=\"note\">Before you install new drivers, create a System Restore point: if a new driver "
        "causes trouble, Windows can then return to the state before it. "
        "<a href=\"/result_page.php?restore_point\">Create a restore point now</a></p>\n";
    return advice;
}

std::string OfferRow(const Offer& offer)
{
    std::string installed = offer.installedVersion.empty() ? "none installed" : AnsiToHtml(offer.installedVersion);
    // Users judge a driver by its date as much as by its version.
    const std::string& date = offer.entry->date;
    std::string available = HtmlEscape(offer.entry->version);
    if (!date.empty())
        available += " <span class=\"date\">(" + HtmlEscape(date) + ")</span>";
    return "<tr class=\"offer\"><td>" + HtmlEscape(offer.entry->name) + "</td><td>" + installed + "</td><td>" +
           available + "</td><td><a href=\"" + HtmlEscape(offer.entry->download) + "\">Download</a></td></tr>\n";
}

std::string Plural(size_t count, const char* one, const char* many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string Summary(const ScanReport& report, const std::vector<Offer>& offers)
{
    size_t programs = 0;
    for (const Offer& offer : offers)
        programs += IsProgramIdentity(offer.entry->identity) ? 1 : 0;
    std::string text = "<p class=\"summary\">Korvala checked " + Plural(report.items.size(), "item", "items") +
                       " of your PC and found ";
    if (offers.empty())
        text += "no updates: your drivers and programs are up to date.</p>\n";
    else
        text += Plural(offers.size(), "update", "updates") + ": " +
                Plural(offers.size() - programs, "driver", "drivers") + " and " +
                Plural(programs, "program", "programs") + ".</p>\n";
    text += "<p>Scan " + AnsiToHtml(report.scanGuid) + ", " +
            (report.email.empty() ? std::string("guest scan") : "registered as " + AnsiToHtml(report.email)) +
            ".</p>\n";
    if (report.deviceListError)
        text +=
            "<p class=\"note\">The device list of this PC could not be read, so only programs were checked. "
            "Run Korvala from an administrator account to check the drivers too.</p>\n";
    return text;
}

const std::map<InfoPage, std::pair<std::string, std::string>>& InfoPages()
{
    static const std::map<InfoPage, std::pair<std::string, std::string>> pages = {
        {InfoPage::Home,
         {"Up-to-date drivers and programs",
          "<p>Korvala checks your PC for out-of-date drivers and programs. It lists the devices in your PC with "
          "the versions of their drivers, and the programs that your Start menu and desktop lead to, and shows "
          "you where newer versions are available.</p>\n"
          "<p><a href=\"/download/korvala-setup.exe\">Download Korvala</a> for Windows 98, Me, 2000, XP and "
          "Vista.</p>\n"
          "<p>New here? Read the <a href=\"/help.php\">help</a> to see how a scan works.</p>\n"}},
        {InfoPage::Help,
         {"Korvala Help",
          "<h2>Scanning your PC</h2>\n"
          "<p>Press <b>Start</b>. Korvala first lists the devices of your PC with their driver versions, then the "
          "programs in your Start menu and on your desktop. The progress bar shows how far it has come; "
          "<b>Stop</b> ends the scan and sends nothing. When the scan is complete, Korvala sends it to this "
          "service and shows the results: one line for every driver or program with a newer version, with the "
          "installed version, the available version and a download link.</p>\n"
          "<p>A scan sends no files and no names of yours: devices and programs are sent as number codes, "
          "together with their versions and your Windows version.</p>\n"
          "<h2>Guest and registered identification</h2>\n"
          "<p>In <b>Options</b>, page <b>General</b>, choose <b>Guest</b> to scan without identification, or "
          "<b>Registered</b> and enter the e-mail address and password of your Korvala account to have your "
          "scans linked to your account. Korvala stores them scrambled on your PC and sends them with each scan.</p>\n"
          "<h2>System Restore points</h2>\n"
          "<p>Create a System Restore point before you install new drivers: if a driver causes trouble, Windows "
          "can return to the state before it. Use the link on the results page, or <b>Options</b>, page "
          "<b>Security</b>. The restore point is named \"Korvala Restore Point\". If Korvala reports that it "
          "cannot create one, make sure that System Restore is turned on (Control Panel, System, System "
          "Restore).</p>\n"
          "<h2>Your downloads</h2>\n"
          "<p>While Korvala is open, the files you download from the results page are saved in the folder "
          "<b>" +
              std::string(kDownloadsFolder) +
              "</b>. The <b>My Downloads</b> button opens that folder. "
              "Close the programs that an update concerns before you install it.</p>\n"
              "<p>Still stuck? <a href=\"/contact.php\">Contact us</a>.</p>\n"}},
        {InfoPage::About,
         {"About Korvala",
          "<p>Korvala 2007, version " KORVALA_VERSION_TEXT ".</p>\n"
          "<p>Korvala compares the drivers and programs of your PC with a catalog of current versions and tells "
          "you which ones can be updated. It comes as a desktop program and as a component that web pages can "
          "use to scan a PC and count its available updates.</p>\n"
          "<p>Drivers and programs named on these pages are the property of their makers; Korvala links to "
          "their downloads.</p>\n"}},
        {InfoPage::Contact,
         {"Contact Us",
          "<p>Questions about a scan, a result or your account: write to "
          "<a href=\"mailto:support@korvala.example\">support@korvala.example</a>. Please add the scan "
          "number shown on your results page.</p>\n"
          "<p>Makers who want their drivers or programs in the catalog: "
          "<a href=\"mailto:catalog@korvala.example\">catalog@korvala.example</a>.</p>\n"}},
        {InfoPage::RestorePoint,
         {"System Restore point",
          "<p>Korvala is creating a System Restore point named \"Korvala Restore Point\". A message tells you "
          "when it is done.</p>\n"
          "<p>If Korvala cannot create it, make sure that System Restore is turned on for your system drive "
          "(Control Panel, System, System Restore) and try again. Then install the drivers you saved in "
          "<b>" +
              std::string(kDownloadsFolder) + "</b>.</p>\n"}},
    };
    return pages;
}

}  // namespace

std::string RenderInfoPage(InfoPage page)
{
    const auto& [title, body] = InfoPages().at(page);
    return PageShell(title, body);
}

std::string RenderResultsPage(const ScanReport& report, const std::vector<Offer>& offers)
{
    std::string body = Summary(report, offers);
    if (!offers.empty()) {
        body +=
            "<table class=\"offers\">\n<tr><th>Name</th><th>Installed version</th><th>Available version</th>"
            "<th>Download</th></tr>\n";
        for (const Offer& offer : offers)
            body += OfferRow(offer);
        body += "</table>\n<p>Downloads are saved in <b>" + std::string(kDownloadsFolder) + "</b>.</p>\n";
    }
    body += RestorePointAdvice();
    return PageShell("Scan results", body);
}

std::string RenderErrorPage(int status, const std::string& message)
{
    return PageShell("Error " + std::to_string(status), "<p class=\"error\">" + HtmlEscape(message) + "</p>\n");
}
