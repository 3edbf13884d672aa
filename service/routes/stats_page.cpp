#include "stats_page.h"

#include "ansi_text.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace {

constexpr int kSecondsPerDay = 24 * 60 * 60;

// The chart's size and margins, in pixels.
constexpr double kWidth = 760, kHeight = 240, kLeft = 56, kRight = 36, kTop = 12, kBottom = 36;
constexpr int kGridLines = 5;    // above the baseline, at most
constexpr int kLabelEvery = 15;  // days, counted back from the last

constexpr const char* kStyle =
    "body { font-family: Tahoma, Verdana, Arial, sans-serif; font-size: 13px; color: #222; margin: 12px 16px; }\n"
    "h1 { font-size: 18px; color: #1f4e79; }\n"
    "h2 { font-size: 14px; color: #1f4e79; margin-top: 22px; }\n"
    "table { border-collapse: collapse; }\n"
    "th { background: #dde8f3; text-align: left; }\n"
    "th, td { border: 1px solid #9fb6cd; padding: 3px 8px; }\n"
    "td.n { text-align: right; white-space: nowrap; }\n"
    ".share { height: 10px; background: #1f4e79; }\n"
    "rect.day { fill: #1f4e79; }\n"
    "line.grid { stroke: #c8d6e5; }\n"
    "text.axis { font-size: 10px; fill: #555; }\n";

// The Windows each OS code of the scan documents stands for.
const std::map<std::string, const char*>& WindowsOfCode()
{
    static const std::map<std::string, const char*> names = {
        {"", "Windows 95, or one the program does not tell apart"},
        {"1", "Windows Me"},
        {"2", "Windows 2000"},
        {"3", "Windows NT 4.0"},
        {"4", "Windows XP, Server 2003"},
        {"6", "Windows Vista and later"},
        {"8", "Windows 98"},
    };
    return names;
}

std::string Format(const char* format, double value)
{
    char text[64];
    const int length = std::snprintf(text, sizeof text, format, value);
    return std::string(text, length > 0 ? std::min(static_cast<size_t>(length), sizeof text - 1) : 0);
}

// 1234567 as "1,234,567".
std::string Thousands(long long number)
{
    std::string digits = std::to_string(number < 0 ? -number : number);
    for (size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, ",");
    return (number < 0 ? "-" : "") + digits;
}

std::string UtcText(std::time_t when, const char* format)
{
    std::tm parts{};
    gmtime_r(&when, &parts);
    char text[32];
    return std::string(text, std::strftime(text, sizeof text, format, &parts));
}

// The smallest of 1, 2 and 5 times a power of ten that is at least value (at least 1).
long long RoundStep(double value)
{
    long long power = 1;
    for (;;) {
        for (long long factor : {1, 2, 5}) {
            if (static_cast<double>(factor * power) >= value)
                return factor * power;
        }
        power *= 10;
    }
}

std::string Chart(const std::vector<std::pair<std::string, long long>>& days)
{
    long long most = 0;
    for (const auto& day : days)
        most = std::max(most, day.second);
    const long long step = RoundStep(static_cast<double>(most) / kGridLines);
    const long long lines = std::max(1LL, (most + step - 1) / step);  // the top one at or above the most
    const double plotWidth = kWidth - kLeft - kRight, plotHeight = kHeight - kTop - kBottom;
    const double slot = plotWidth / static_cast<double>(days.size());
    const double perScan = plotHeight / static_cast<double>(step * lines);
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Format("%.0f", kWidth) + "\" height=\"" +
                      Format("%.0f", kHeight) + "\" role=\"img\" aria-label=\"Scans per day\">\n";
    for (long long line = 0; line <= lines; ++line) {
        const std::string y = Format("%.1f", kTop + plotHeight - perScan * static_cast<double>(step * line));
        svg += "<line class=\"grid\" x1=\"" + Format("%.1f", kLeft) + "\" x2=\"" + Format("%.1f", kWidth - kRight) +
               "\" y1=\"" + y + "\" y2=\"" + y + "\"/><text class=\"axis\" x=\"" + Format("%.1f", kLeft - 6) +
               "\" y=\"" + y + "\" dy=\"4\" text-anchor=\"end\">" + Thousands(step * line) + "</text>\n";
    }
    for (size_t i = 0; i < days.size(); ++i) {
        const auto& [day, scans] = days[i];
        const double x = kLeft + slot * static_cast<double>(i);
        if (scans > 0) {
            const double height = perScan * static_cast<double>(scans);
            svg += "<rect class=\"day\" x=\"" + Format("%.1f", x + 0.75) + "\" y=\"" +
                   Format("%.1f", kTop + plotHeight - height) + "\" width=\"" + Format("%.1f", slot - 1.5) +
                   "\" height=\"" + Format("%.1f", height) + "\"><title>" + HtmlEscape(day) + ": " + Thousands(scans) +
                   (scans == 1 ? " scan" : " scans") + "</title></rect>\n";
        }
        if ((days.size() - 1 - i) % kLabelEvery == 0)
            svg += "<text class=\"axis\" x=\"" + Format("%.1f", x + slot / 2) + "\" y=\"" +
                   Format("%.1f", kHeight - kBottom + 16) + "\" text-anchor=\"middle\">" + HtmlEscape(day) +
                   "</text>\n";
    }
    return svg + "</svg>\n";
}

std::string ChartSection(const ScanStatistics& statistics, std::time_t now)
{
    std::map<std::string, long long> scansOnDay;
    for (const DayTotal& total : statistics.days)
        scansOnDay[total.day] += total.scans;
    std::vector<std::pair<std::string, long long>> days;
    long long inChart = 0;
    for (int before = kChartDays - 1; before >= 0; --before) {
        std::string day = UtcText(now - static_cast<std::time_t>(before) * kSecondsPerDay, "%Y-%m-%d");
        const auto found = scansOnDay.find(day);
        days.emplace_back(std::move(day), found == scansOnDay.end() ? 0 : found->second);
        inChart += days.back().second;
    }
    return "<h2>Scans per day, the last " + std::to_string(kChartDays) + " days</h2>\n<p>" + Thousands(inChart) +
           " scans from " + days.front().first + " to " + days.back().first + " (UTC days).</p>\n" + Chart(days);
}

std::string OsCodeSection(const ScanStatistics& statistics, long long allScans)
{
    std::map<std::string, long long> scansOfCode;
    for (const DayTotal& total : statistics.days)
        scansOfCode[total.osCode] += total.scans;
    std::vector<std::pair<std::string, long long>> codes(scansOfCode.begin(), scansOfCode.end());
    std::stable_sort(codes.begin(), codes.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    std::string html =
        "<h2>OS codes</h2>\n<table>\n<tr><th>OS code</th><th>Windows</th><th>Scans</th><th>Share</th><th></th></tr>\n";
    for (const auto& [code, scans] : codes) {
        const auto windows = WindowsOfCode().find(code);
        const double share = allScans > 0 ? 100.0 * static_cast<double>(scans) / static_cast<double>(allScans) : 0;
        html += "<tr><td>" + (code.empty() ? std::string("(none)") : HtmlEscape(code)) + "</td><td>" +
                (windows == WindowsOfCode().end() ? std::string("unknown code") : windows->second) +
                "</td><td class=\"n\">" + Thousands(scans) + "</td><td class=\"n\">" + Format("%.1f %%", share) +
                "</td><td><div class=\"share\" style=\"width: " + Format("%.0f", 2 * share) + "px\"></div></td></tr>\n";
    }
    return html + "</table>\n";
}

std::string PerScanSection(const ScanStatistics& statistics, long long allScans)
{
    long long items = 0, offers = 0;
    for (const DayTotal& total : statistics.days) {
        items += total.items;
        offers += total.offers;
    }
    auto average = [&](long long sum) {
        return allScans > 0 ? Format("%.1f", static_cast<double>(sum) / static_cast<double>(allScans)) : "-";
    };
    return "<h2>Per scan</h2>\n<table>\n<tr><th>Items per scan</th><td class=\"n\">" + average(items) +
           "</td></tr>\n<tr><th>Offers per scan</th><td class=\"n\">" + average(offers) + "</td></tr>\n</table>\n";
}

std::string MostOfferedSection(const ScanStatistics& statistics)
{
    std::string html = "<h2>The " + std::to_string(kMostOfferedEntries) + " catalog entries offered most often</h2>\n";
    if (statistics.mostOffered.empty())
        return html + "<p>No offers counted yet.</p>\n";
    html += "<p>Offers counted since " + HtmlEscape(statistics.offersCountedSince) +
            ".</p>\n<table>\n<tr><th></th><th>Entry</th><th>Identity</th><th>OS code</th><th>Offered</th></tr>\n";
    int rank = 0;
    for (const auto& [entry, name] : statistics.mostOffered) {
        html += "<tr><td class=\"n\">" + std::to_string(++rank) + "</td><td>" +
                (name.empty() ? std::string("(no longer in the catalog)") : HtmlEscape(name)) + "</td><td>" +
                HtmlEscape(entry.identity) + "</td><td>" +
                (entry.osCode.empty() ? std::string("every&nbsp;Windows") : HtmlEscape(entry.osCode)) +
                "</td><td class=\"n\">" + Thousands(entry.offers) + "</td></tr>\n";
    }
    return html + "</table>\n";
}

}  // namespace

std::string RenderStatsPage(const ScanStatistics& statistics, std::time_t now, int keepDays)
{
    long long allScans = 0;
    for (const DayTotal& total : statistics.days)
        allScans += total.scans;
    const std::string kept = keepDays > 0 ? "those of the last " + std::to_string(keepDays) + " days (--keep-days)"
                                          : std::string("every scan recorded (--keep-days 0)");
    return std::string("<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n") +
           "<title>korvala-service statistics</title>\n<style>\n" + kStyle + "</style>\n</head>\n<body>\n" +
           "<h1>Scans and offers</h1>\n<p>As of " + UtcText(now, "%Y-%m-%d %H:%M UTC") +
           ". The figures below the chart are of the scans kept: " + kept + ", " + Thousands(allScans) +
           " scans.</p>\n" + ChartSection(statistics, now) + OsCodeSection(statistics, allScans) +
           PerScanSection(statistics, allScans) + MostOfferedSection(statistics) + "</body>\n</html>\n";
}
