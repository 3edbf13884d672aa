// Dialog templates and control ids of the options sheet's pages.
#pragma once

#define IDD_GENERAL_TAB 109
#define IDD_SECURITY_TAB 111
#define IDD_ABOUT_TAB 112

// General
#define IDC_EMAIL 208
#define IDC_PASSWORD 209
#define IDC_GUEST 211
#define IDC_REGISTERED 212

// Security
#define IDC_CREATE_RESTORE_POINT 206

// Help
#define IDC_LINK_ONLINE_HELP 1011
#define IDC_LINK_CONTACT 1012
#define IDC_LINK_SEND_TO_FRIEND 1014
#define IDC_LINK_COPYRIGHT 1015
#define IDC_LINK_WEBSITE 1016
