#pragma once
// Metrics in the Prometheus text format (version 0.0.4), as a scrape of /metrics reads them:
// each family with its HELP and TYPE lines, then its samples.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A number as the format writes it: the shortest text that reads back as the same value, "NaN",
// "+Inf" or "-Inf".
std::string PrometheusNumber(double value);

class PrometheusText {
public:
    using Labels = std::vector<std::pair<std::string_view, std::string_view>>;

    // Starts a family; type is "counter", "gauge" or "histogram". help is plain text.
    void Family(std::string_view name, std::string_view type, std::string_view help);
    // A sample of the current family (name with its suffix, such as "_bucket"); label values
    // are escaped here.
    void Sample(std::string_view name, const Labels& labels, double value);
    void Sample(std::string_view name, const Labels& labels, uint64_t value);
    // A family of one sample without labels.
    void Single(std::string_view name, std::string_view type, std::string_view help, double value);

    const std::string& Text() const { return text_; }

private:
    void SampleStart(std::string_view name, const Labels& labels);

    std::string text_;
};
