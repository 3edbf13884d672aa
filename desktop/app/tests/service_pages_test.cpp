#include "service_pages.h"

#include <gtest/gtest.h>

namespace {

const char kBase[] = "http://127.0.0.1:8077";

TEST(ServicePages, OnlyTheWholeAddressInItsExactCaseIsRecognised)
{
    struct Case {
        const char* url;
        ServicePage page;
    } cases[] = {
        {"http://127.0.0.1:8077/result_page.php?desktop", ServicePage::Results},
        {"http://127.0.0.1:8077/help.php", ServicePage::Help},
        {"http://127.0.0.1:8077/about.php", ServicePage::About},
        {"http://127.0.0.1:8077/result_page.php?restore_point", ServicePage::RestorePoint},
        {"http://127.0.0.1:8077/result_page.php?desktop&x=1", ServicePage::Other},
        {"http://127.0.0.1:8077/result_page.php?desktop#top", ServicePage::Other},
        {"http://127.0.0.1:8077/Result_Page.php?desktop", ServicePage::Other},
        {"HTTP://127.0.0.1:8077/help.php", ServicePage::Other},
        {"http://127.0.0.1:8078/help.php", ServicePage::Other},
        {"http://127.0.0.1:8077/help.php/", ServicePage::Other},
        {"http://127.0.0.1:8077", ServicePage::Other},
        {"http://127.0.0.1:807", ServicePage::Other},
        {"", ServicePage::Other},
        {"about:blank", ServicePage::Other},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ClassifyLoadedPage(kBase, c.url), c.page) << c.url;
    }
}

TEST(ServicePages, DownloadsAreRefusedByTheirLastThreeLettersInExactCase)
{
    EXPECT_TRUE(IsRefusedDownload("http://x/setup.exe"));
    EXPECT_TRUE(IsRefusedDownload("http://x/drivers.zip"));
    EXPECT_TRUE(IsRefusedDownload("http://x/drivers.rar"));
    EXPECT_TRUE(IsRefusedDownload("zip"));
    EXPECT_TRUE(IsRefusedDownload("http://x/page?name=unzip"));
    EXPECT_FALSE(IsRefusedDownload("http://x/drivers.ZIP"));
    EXPECT_FALSE(IsRefusedDownload("http://x/setup.Exe"));
    EXPECT_FALSE(IsRefusedDownload("http://x/help.php"));
    EXPECT_FALSE(IsRefusedDownload("ip"));
    EXPECT_FALSE(IsRefusedDownload(""));
}

}  // namespace
