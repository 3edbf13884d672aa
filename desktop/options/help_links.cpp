#include "help_links.h"

HelpLinkTargets MakeHelpLinkTargets(const std::string& serviceBase)
{
    HelpLinkTargets targets;
    targets.onlineHelp = serviceBase + "/help.php";
    targets.contact = serviceBase + "/contact.php";
    targets.sendToFriend = RecommendationMailLink(serviceBase);
    targets.copyrightNotice = serviceBase + "/about.php";
    targets.website = serviceBase;
    return targets;
}

std::string RecommendationMailLink(const std::string& serviceBase)
{
    return "mailto:?subject=Share Korvala with a friend&body="
           "Hi,\r\n\r\nCheck out this program called Korvala.  It's a great tool I've been using to "
           "keep my PC updated.\r\n\r\nIf you use IE, you can run it from the web: " +
           serviceBase + "\r\n\r\n If not, download the program:  " + serviceBase + "/download/korvala-setup.exe";
}
