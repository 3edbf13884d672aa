#include "http_metrics.h"

#include <algorithm>

namespace {

constexpr size_t kStatusCount = HttpMetrics::kStatuses.size();
constexpr size_t kBucketCount = HttpMetrics::kLatencyBounds.size() + 1;

size_t BucketIndex(std::chrono::nanoseconds latency)
{
    const double seconds = std::chrono::duration<double>(latency).count();
    const auto* bound =
        std::lower_bound(HttpMetrics::kLatencyBounds.begin(), HttpMetrics::kLatencyBounds.end(), seconds);
    return static_cast<size_t>(bound - HttpMetrics::kLatencyBounds.begin());
}

}  // namespace

HttpMetrics::Loop::Loop(size_t targets)
    : requests_(targets * kStatusCount), latency_(targets * kBucketCount), latencyNanoseconds_(targets)
{
}

void HttpMetrics::Loop::Request(size_t target, int status)
{
    requests_[target * kStatusCount + StatusIndex(status)].Add();
}

void HttpMetrics::Loop::Handled(size_t target, std::chrono::nanoseconds latency)
{
    latency_[target * kBucketCount + BucketIndex(latency)].Add();
    latencyNanoseconds_[target].Add(static_cast<uint64_t>(std::max<int64_t>(0, latency.count())));
}

HttpMetrics::HttpMetrics(std::vector<std::string> targets, unsigned loops) : targets_(std::move(targets))
{
    targets_.emplace_back("other");
    for (unsigned i = 0; i < loops; ++i)
        loops_.push_back(std::make_unique<Loop>(targets_.size()));
}

size_t HttpMetrics::StatusIndex(int status)
{
    const auto* found = std::find(kStatuses.begin(), kStatuses.end() - 1, status);
    return static_cast<size_t>(found - kStatuses.begin());
}

size_t HttpMetrics::TargetIndex(std::string_view target) const
{
    const auto found = std::find(targets_.begin(), targets_.end() - 1, target);
    return static_cast<size_t>(found - targets_.begin());
}

HttpMetrics::Totals HttpMetrics::Sum() const
{
    Totals totals;
    totals.targets = targets_;
    totals.requests.assign(targets_.size() * kStatusCount, 0);
    totals.latencyBuckets.assign(targets_.size() * kBucketCount, 0);
    totals.latencySeconds.assign(targets_.size(), 0);
    for (const auto& loop : loops_) {
        for (size_t i = 0; i < loop->requests_.size(); ++i)
            totals.requests[i] += loop->requests_[i].Get();
        for (size_t i = 0; i < loop->latency_.size(); ++i)
            totals.latencyBuckets[i] += loop->latency_[i].Get();
        for (size_t i = 0; i < targets_.size(); ++i)
            totals.latencySeconds[i] += static_cast<double>(loop->latencyNanoseconds_[i].Get()) / 1e9;
        for (size_t i = 0; i < totals.refused.size(); ++i)
            totals.refused[i] += loop->refused_[i].Get();
        totals.evicted += loop->evicted_.Get();
        totals.received += loop->received_.Get();
        totals.sent += loop->sent_.Get();
    }
    for (size_t target = 0; target < targets_.size(); ++target) {
        for (size_t bucket = 1; bucket < kBucketCount; ++bucket)
            totals.latencyBuckets[target * kBucketCount + bucket] +=
                totals.latencyBuckets[target * kBucketCount + bucket - 1];
    }
    return totals;
}
