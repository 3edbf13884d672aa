#pragma once
// The connections of all loops of a server, counted together, so that the limits on
// connections hold for the server as a whole: in all, and from one client address. When the
// server is full, the connection that has waited longest for the head of its request is closed
// to make room, whichever loop owns it. Opening and closing a connection take the census' lock;
// a connection that starts or stops waiting only changes its own atomic mark, so requests take
// no lock.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

// What the census knows of one connection. Its loop owns it; the census reads it and may mark
// it evicted while it waits.
class CensusEntry {
public:
    CensusEntry(int socket, std::string address) : socket_(socket), address_(std::move(address)) {}

    const std::string& Address() const { return address_; }
    // The connection waits for the head of a request from since on.
    void StartWaiting(std::chrono::steady_clock::time_point since);
    // The head of its request is complete: it no longer gives way to newcomers. false when the
    // census closed it to make room first: its loop drops it.
    bool StopWaiting();

private:
    friend class ConnectionCensus;
    static constexpr uint64_t kBusy = 0;
    static constexpr uint64_t kEvicted = UINT64_MAX;

    const int socket_;
    const std::string address_;
    // While it waits, the steady clock's ticks of its wait's start (never 0); kBusy while its
    // request is read in full, handled or answered; kEvicted once the census closed it.
    std::atomic<uint64_t> waitingSince_{kBusy};
    size_t slot_ = 0;  // its place in the census' list
};

class ConnectionCensus {
public:
    ConnectionCensus(size_t maxConnections, size_t maxPerClient);

    enum class Admission { Admitted, ClientFull, Full, Evicted };
    // Counts a new connection. When the server is full, the connection that has waited longest
    // is shut down to make room (its loop then closes it), and the answer is Evicted; when none
    // waits, the newcomer is not counted and the answer is Full. An address that holds its share
    // gets ClientFull.
    Admission Admit(CensusEntry& entry);
    // Before its loop closes the connection of an admitted entry.
    void Release(CensusEntry& entry);
    size_t Count();

private:
    void Forget(CensusEntry& entry);

    const size_t maxConnections_;
    const size_t maxPerClient_;
    std::mutex mutex_;
    std::vector<CensusEntry*> entries_;  // counted, not yet released
    std::unordered_map<std::string, size_t> perClient_;
};
