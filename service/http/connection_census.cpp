#include "connection_census.h"

#include <sys/socket.h>

void CensusEntry::StartWaiting(std::chrono::steady_clock::time_point since)
{
    // Only a busy connection starts waiting, and the census marks only waiting ones.
    const uint64_t ticks = static_cast<uint64_t>(since.time_since_epoch().count());
    waitingSince_.store(ticks == kBusy || ticks == kEvicted ? 1 : ticks, std::memory_order_release);
}

bool CensusEntry::StopWaiting()
{
    uint64_t since = waitingSince_.load(std::memory_order_acquire);
    while (since != kEvicted) {
        if (since == kBusy || waitingSince_.compare_exchange_weak(since, kBusy, std::memory_order_acq_rel))
            return true;
    }
    return false;
}

ConnectionCensus::ConnectionCensus(size_t maxConnections, size_t maxPerClient)
    : maxConnections_(maxConnections), maxPerClient_(maxPerClient)
{
}

ConnectionCensus::Admission ConnectionCensus::Admit(CensusEntry& entry)
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto client = perClient_.find(entry.Address());
    if (client != perClient_.end() && client->second >= maxPerClient_)
        return Admission::ClientFull;
    Admission admission = Admission::Admitted;
    while (entries_.size() >= maxConnections_) {
        // The longest-waiting connection of any loop. Its loop may stop its wait meanwhile: the
        // mark that ends the wait and the one that evicts compete, and one of them wins.
        CensusEntry* longest = nullptr;
        uint64_t longestSince = CensusEntry::kEvicted;
        for (CensusEntry* candidate : entries_) {
            const uint64_t since = candidate->waitingSince_.load(std::memory_order_acquire);
            if (since != CensusEntry::kBusy && since < longestSince) {
                longest = candidate;
                longestSince = since;
            }
        }
        if (!longest)
            return Admission::Full;
        if (!longest->waitingSince_.compare_exchange_strong(longestSince, CensusEntry::kEvicted,
                                                            std::memory_order_acq_rel))
            continue;
        // Its loop sees the end of the connection and closes it; it is no longer counted. The
        // socket stays open until then, which the lock held here guarantees.
        shutdown(longest->socket_, SHUT_RDWR);
        Forget(*longest);
        admission = Admission::Evicted;
    }
    entry.slot_ = entries_.size();
    entries_.push_back(&entry);
    client = perClient_.find(entry.Address());
    if (client == perClient_.end())
        perClient_.emplace(entry.Address(), 1);
    else
        ++client->second;
    return admission;
}

void ConnectionCensus::Release(CensusEntry& entry)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (entry.waitingSince_.load(std::memory_order_acquire) != CensusEntry::kEvicted)
        Forget(entry);
}

size_t ConnectionCensus::Count()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_.size();
}

void ConnectionCensus::Forget(CensusEntry& entry)
{
    CensusEntry* last = entries_.back();
    entries_[entry.slot_] = last;
    last->slot_ = entry.slot_;
    entries_.pop_back();
    auto client = perClient_.find(entry.Address());
    if (--client->second == 0)
        perClient_.erase(client);
}
