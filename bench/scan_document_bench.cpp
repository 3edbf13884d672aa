// Building the scan document for 1,000, 10,000 and 100,000 item lines: the time per item must
// stay flat as the document grows, and the share of it that MD5 takes is shown by hashing the
// same identities alone, alternately with the build, in the same run. Every measurement covers
// 100,000 items (the smaller documents are built repeatedly) and counts the thread's CPU time,
// so neither timer granularity nor a busy machine tilts the comparison between sizes.
#include "made_up_ids.h"
#include "md5_digest.h"
#include "scan_document.h"
#include "scan_flavour.h"
#include "side_by_side.h"
#include "whole_document.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

namespace {

const int kSizes[] = {1000, 10000, 100000};
const int kItemsPerMeasurement = 100000;
const int kRounds = 5;

std::vector<std::string> Identities(int count)
{
    std::vector<std::string> identities;
    identities.reserve(count);
    for (int i = 0; i < count; ++i)
        identities.push_back(PciHardwareId(i, i >> 4, i * 7, i));
    return identities;
}

// The item lines as the inventory passes write them, then the document around them.
size_t BuildDocument(const std::vector<std::string>& identities, int count)
{
    ScanDocument item(kDesktopFlavour);
    std::string text;
    for (int i = 0; i < count; ++i) {
        item.SetProperty(kHardwareIdKey, identities[i]);
        item.SetProperty(kVersionIdKey, "6.1.7600.16385");
        text += item.FormatItemLine();
    }
    return WholeDocument(ScanDocument(kDesktopFlavour), text, count).size();
}

uint8_t HashAlone(const std::vector<std::string>& identities, int count)
{
    uint8_t mix = 0;
    for (int i = 0; i < count; ++i)
        mix ^= Md5Digest(identities[i].data(), identities[i].size())[0];
    return mix;
}

}  // namespace

int main()
{
    const std::vector<std::string> identities = Identities(kItemsPerMeasurement);
    const size_t sizes = std::size(kSizes);
    std::vector<std::vector<double>> buildTimes(sizes), hashTimes(sizes);
    std::vector<size_t> bytes(sizes);
    volatile uint8_t sink = 0;
    // Sizes take turns within every round, and build and hash swap order, so that whatever the
    // machine does meanwhile falls on all of them alike. The first round warms up and is dropped.
    for (int round = 0; round <= kRounds; ++round) {
        for (size_t s = 0; s < sizes; ++s) {
            const int size = kSizes[s], repeats = kItemsPerMeasurement / size;
            auto build = [&] {
                for (int r = 0; r < repeats; ++r)
                    bytes[s] = BuildDocument(identities, size);
            };
            auto hash = [&] {
                for (int r = 0; r < repeats; ++r)
                    sink = sink ^ HashAlone(identities, size);
            };
            double built = 0, hashed = 0;
            if (round % 2) {
                hashed = SecondsOf(hash, Clock::ThreadCpu);
                built = SecondsOf(build, Clock::ThreadCpu);
            } else {
                built = SecondsOf(build, Clock::ThreadCpu);
                hashed = SecondsOf(hash, Clock::ThreadCpu);
            }
            if (round > 0) {
                buildTimes[s].push_back(built);
                hashTimes[s].push_back(hashed);
            }
        }
    }

    std::vector<double> perItem;
    std::string times, shares;
    for (size_t s = 0; s < sizes; ++s) {
        const double built = Median(buildTimes[s]), hashed = Median(hashTimes[s]);
        const double microseconds = built / kItemsPerMeasurement * 1e6;
        perItem.push_back(microseconds);
        std::printf("scan document, %d items: %zu bytes; %d builds %.3f s CPU (%.2f us per item), MD5 alone %.3f s\n",
                    kSizes[s], bytes[s], kItemsPerMeasurement / kSizes[s], built, microseconds, hashed);
        times += (times.empty() ? "" : " / ") + Fixed(microseconds, 2);
        shares += (shares.empty() ? "" : " / ") + Fixed(built > 0 ? 100 * hashed / built : 0, 0) + "%";
    }
    auto [least, most] = std::minmax_element(perItem.begin(), perItem.end());
    PrintRow(std::string("Scan document (") + KORVALA_BENCH_PLATFORM + "), 1k / 10k / 100k items: time per item (us)",
             "flat within 20%", times + " (spread " + Fixed((*most / *least - 1) * 100, 0) + "%)");
    PrintRow(std::string("Scan document (") + KORVALA_BENCH_PLATFORM +
                 "), 1k / 10k / 100k items: MD5 share of the build time",
             "(reported)", shares);
    return 0;
}
