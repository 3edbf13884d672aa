#include "help_links.h"

#include <gtest/gtest.h>

namespace {

TEST(HelpLinks, PagesOfTheServiceAtItsBaseAddress) {
  HelpLinkTargets targets = MakeHelpLinkTargets("http://service.test:8077");
  EXPECT_EQ("http://service.test:8077/help.php", targets.onlineHelp);
  EXPECT_EQ("http://service.test:8077/contact.php", targets.contact);
  EXPECT_EQ("http://service.test:8077/about.php", targets.copyrightNotice);
  EXPECT_EQ("http://service.test:8077", targets.website);
  EXPECT_EQ(RecommendationMailLink("http://service.test:8077"), targets.sendToFriend);
}

TEST(HelpLinks, RecommendationMailIsPlainTextWithoutRecipient) {
  const std::string link = RecommendationMailLink("http://s");
  EXPECT_EQ(
      "mailto:?subject=Share Korvala with a friend&body=Hi,\r\n\r\nCheck out this program called "
      "Korvala.  It's a great tool I've been using to keep my PC updated.\r\n\r\nIf you use IE, you "
      "can run it from the web: http://s\r\n\r\n If not, download the program:  "
      "http://s/download/korvala-setup.exe",
      link);
  EXPECT_EQ(std::string::npos, link.find('%')) << "nothing is percent-encoded";
}

}  // namespace
