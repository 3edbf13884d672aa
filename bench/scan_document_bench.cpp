// Building the scan document for 1,000, 10,000 and 100,000 item lines: the time per item must
// stay flat as the document grows, and the share of it that MD5 takes is shown by hashing the
// same identities alone, alternately with the build, in the same run. Every measurement covers
// 100,000 items (the smaller documents are built repeatedly) and counts the thread's CPU time,
// so neither timer granularity nor a busy machine tilts the comparison between sizes.
#include "md5_digest.h"
#include "scan_document.h"
#include "scan_flavour.h"
#include "side_by_side.h"
#include "whole_document.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const int kSizes[] = {1000, 10000, 100000};
const int kItemsPerMeasurement = 100000;
const int kRounds = 3;

std::vector<std::string> Identities(int count)
{
    std::vector<std::string> identities;
    identities.reserve(count);
    for (int i = 0; i < count; ++i) {
        char text[80];
        std::snprintf(text, sizeof text, "PCI\\VEN_%04X&DEV_%04X&SUBSYS_%08X&REV_%02X", i & 0xFFFF, i >> 4, i * 7,
                      i & 0xFF);
        identities.push_back(text);
    }
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
    std::vector<double> perItem;
    std::string shares;
    for (int size : kSizes) {
        size_t bytes = 0;
        volatile uint8_t sink = 0;
        const int repeats = kItemsPerMeasurement / size;
        auto build = [&] {
            for (int r = 0; r < repeats; ++r)
                bytes = BuildDocument(identities, size);
        };
        auto hash = [&] {
            for (int r = 0; r < repeats; ++r)
                sink = sink ^ HashAlone(identities, size);
        };
        SideBySide timing = TimeSideBySide(kRounds, build, hash, Clock::ThreadCpu);
        double microseconds = timing.measured / kItemsPerMeasurement * 1e6;
        perItem.push_back(microseconds);
        std::printf("scan document, %d items: %zu bytes; %d builds %.3f s CPU (%.2f us per item), MD5 alone %.3f s\n",
                    size, bytes, repeats, timing.measured, microseconds, timing.baseline);
        shares += (shares.empty() ? "" : " / ") + Fixed(100 / timing.ratio, 0) + "%";
    }
    auto [least, most] = std::minmax_element(perItem.begin(), perItem.end());
    std::string times;
    for (double t : perItem)
        times += (times.empty() ? "" : " / ") + Fixed(t, 2);
    PrintRow(std::string("Scan document (") + KORVALA_BENCH_PLATFORM + "), 1k / 10k / 100k items: time per item (us)", "flat within 20%",
             times + " (spread " + Fixed((*most / *least - 1) * 100, 0) + "%)");
    PrintRow(std::string("Scan document (") + KORVALA_BENCH_PLATFORM + "), 1k / 10k / 100k items: MD5 share of the build time", "(reported)", shares);
    return 0;
}
