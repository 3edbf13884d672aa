// Where the links of the options sheet's Help page lead: pages of the vendor's service and a
// mail that recommends the program to a friend.
#pragma once

#include <string>

struct HelpLinkTargets {
    std::string onlineHelp;
    std::string contact;
    std::string sendToFriend;
    std::string copyrightNotice;
    std::string website;
};

// The targets on the service whose base address is `serviceBase` (no trailing slash).
HelpLinkTargets MakeHelpLinkTargets(const std::string& serviceBase);

// A mail link with subject and body but no recipient: the user's mail program opens a new message
// for the user to address. The body names the service and the installer's download address; it is
// kept as plain text with CR LF line breaks, as mail programs take it from the link.
std::string RecommendationMailLink(const std::string& serviceBase);
