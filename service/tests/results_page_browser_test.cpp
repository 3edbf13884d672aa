// The results page rendered by a real browser: headless Chromium loads the page that the
// service returned for a posted document and prints the DOM it built.
#include "scan_documents.h"
#include "test_service.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

constexpr const char* kChromium = "/usr/bin/chromium";

std::string RenderedDom(const std::string& folder, const std::string& pageFile)
{
    std::string command = std::string("timeout 90 ") + kChromium +
                          " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
                          " --disable-background-networking --disable-component-update --disable-sync"
                          " --user-data-dir=" +
                          folder + "/profile --dump-dom file://" + pageFile + " 2>/dev/null";
    std::string dom;
    if (FILE* output = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, output)) > 0;)
            dom.append(buffer, n);
        pclose(output);
    }
    return dom;
}

TEST(ResultsPageInBrowser, RendersOneRowPerOffer)
{
    if (!std::filesystem::exists(kChromium))
        GTEST_SKIP() << kChromium << " is not installed";
    TestService service;
    httplib::Result page =
        service.Client().Post("/result_page.php?desktop", httplib::Headers{}, WholeDocument(SamplePcInventory()), "");
    ASSERT_TRUE(page);
    ASSERT_EQ(page->status, 200);
    const std::string pageFile = service.Folder() + "/results.html";
    std::ofstream(pageFile, std::ios::binary) << page->body;

    std::string dom = RenderedDom(service.Folder(), pageFile);
    ASSERT_NE(dom.find("<tbody>"), std::string::npos) << "no rendered table in:\n" << dom;
    size_t rows = 0;
    for (size_t pos = dom.find("<tr class=\"offer\">"); pos != std::string::npos;
         pos = dom.find("<tr class=\"offer\">", pos + 1))
        ++rows;
    EXPECT_EQ(rows, kSamplePcOffers);
    for (const char* cell : {"<td>Intel(R) 82801GBM SATA AHCI Controller</td>", "<td>Acme Viewer</td>",
                             "<td>Northwind Mail</td>", "<td>1, 0, 0, 0</td>", "<td>6.14.11.8122</td>"})
        EXPECT_NE(dom.find(cell), std::string::npos) << cell;
    EXPECT_NE(dom.find("href=\"/result_page.php?restore_point\""), std::string::npos);
}

}  // namespace
