// The options sheet's Help page: links to the service's help, contact and home pages, the
// copyright notice's page, and a mail recommending the program to a friend.
#pragma once

#include "hyperlink.h"
#include "options_resource.h"
#include "property_sheet.h"

class CAboutTab : public CPropertyPage {
public:
    CAboutTab() : CPropertyPage(IDD_ABOUT_TAB) {}

    void DoDataExchange(CDataExchange* exchange) override;
    BOOL OnInitDialog() override;

private:
    CHyperLink m_onlineHelp;
    CHyperLink m_contact;
    CHyperLink m_sendToFriend;
    CHyperLink m_copyrightNotice;
    CHyperLink m_website;
};
