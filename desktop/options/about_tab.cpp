#include "about_tab.h"

#include "help_links.h"

namespace {

const COLORREF kLinkColour = RGB(193, 3, 51);
const COLORREF kSystemHighlight = 0xFFFFFFFF;

}  // namespace

void CAboutTab::DoDataExchange(CDataExchange* exchange)
{
    DDX_Control(exchange, IDC_LINK_ONLINE_HELP, m_onlineHelp);
    DDX_Control(exchange, IDC_LINK_CONTACT, m_contact);
    DDX_Control(exchange, IDC_LINK_COPYRIGHT, m_copyrightNotice);
    DDX_Control(exchange, IDC_LINK_WEBSITE, m_website);
    DDX_Control(exchange, IDC_LINK_SEND_TO_FRIEND, m_sendToFriend);
}

BOOL CAboutTab::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    const HelpLinkTargets targets = MakeHelpLinkTargets(KORVALA_SERVICE_URL);
    const struct {
        CHyperLink& link;
        const std::string& target;
    } links[] = {
        {m_onlineHelp, targets.onlineHelp},     {m_contact, targets.contact},
        {m_sendToFriend, targets.sendToFriend}, {m_copyrightNotice, targets.copyrightNotice},
        {m_website, targets.website},
    };
    for (const auto& entry : links) {
        entry.link.SetTarget(entry.target);
        entry.link.ChangeStyles(0, LinkOpenOnPress);
    }
    CHyperLink::SetLinkColours(kLinkColour, kLinkColour, kLinkColour, kSystemHighlight);
    return TRUE;
}
