#include "help_links.h"

#include <gtest/gtest.h>

namespace {

TEST(HelpLinks, RecommendationMailIsPlainTextWithoutRecipient)
{
    const std::string link = RecommendationMailLink("http://s");
    EXPECT_EQ(
        "mailto:?subject=Share Korvala with a friend&body=Hi,\r\n\r\nCheck out this program called "
        "Korvala.  It's a great tool I've been using to keep my PC updated.\r\n\r\nIf you use IE, you "
        "can run it from the web: http://s\r\n\r\n If not, download the program:  "
        "http://s/download/korvala-setup.exe",
        link);
}

}  // namespace
