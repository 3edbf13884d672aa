#include "prometheus_text.h"

#include <charconv>
#include <cmath>

namespace {

// Label values escape backslash, double quote and line feed; help texts the first and last.
void AppendEscaped(std::string& text, std::string_view value, bool quotes)
{
    for (char c : value) {
        if (c == '\\')
            text += "\\\\";
        else if (c == '\n')
            text += "\\n";
        else if (c == '"' && quotes)
            text += "\\\"";
        else
            text += c;
    }
}

}  // namespace

std::string PrometheusNumber(double value)
{
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value > 0 ? "+Inf" : "-Inf";
    // Plain decimals where they are short enough to read, as people and most exporters write them.
    const double magnitude = std::fabs(value);
    const bool plain = magnitude == 0 || (magnitude >= 1e-6 && magnitude < 1e15);
    char number[400];
    auto [end, fault] = std::to_chars(number, number + sizeof number, value,
                                      plain ? std::chars_format::fixed : std::chars_format::general);
    return std::string(number, fault == std::errc() ? end : number);
}

void PrometheusText::Family(std::string_view name, std::string_view type, std::string_view help)
{
    text_ += "# HELP ";
    text_ += name;
    text_ += ' ';
    AppendEscaped(text_, help, false);
    text_ += "\n# TYPE ";
    text_ += name;
    text_ += ' ';
    text_ += type;
    text_ += '\n';
}

void PrometheusText::SampleStart(std::string_view name, const Labels& labels)
{
    text_ += name;
    if (!labels.empty()) {
        text_ += '{';
        for (size_t i = 0; i < labels.size(); ++i) {
            text_ += i == 0 ? "" : ",";
            text_ += labels[i].first;
            text_ += "=\"";
            AppendEscaped(text_, labels[i].second, true);
            text_ += '"';
        }
        text_ += '}';
    }
    text_ += ' ';
}

void PrometheusText::Sample(std::string_view name, const Labels& labels, double value)
{
    SampleStart(name, labels);
    text_ += PrometheusNumber(value);
    text_ += '\n';
}

void PrometheusText::Sample(std::string_view name, const Labels& labels, uint64_t value)
{
    SampleStart(name, labels);
    text_ += std::to_string(value);
    text_ += '\n';
}

void PrometheusText::Single(std::string_view name, std::string_view type, std::string_view help, double value)
{
    Family(name, type, help);
    Sample(name, {}, value);
}
