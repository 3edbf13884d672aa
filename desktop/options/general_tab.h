// The options sheet's General page: whether scans run as a guest or as the registered user, and
// that user's e-mail address and password. Every change is stored at once; the page keeps nothing
// for OK or Cancel to apply.
#pragma once

#include "identification.h"
#include "options_resource.h"
#include "property_sheet.h"

#include <optional>

class CGeneralTab : public CPropertyPage {
public:
    CGeneralTab() : CPropertyPage(IDD_GENERAL_TAB) {}

    BOOL OnInitDialog() override;

    BEGIN_MSG_MAP(CGeneralTab, CPropertyPage)
    COMMAND_HANDLER(IDC_GUEST, BN_CLICKED, OnGuest)
    COMMAND_HANDLER(IDC_REGISTERED, BN_CLICKED, OnRegistered)
    COMMAND_HANDLER(IDC_EMAIL, EN_CHANGE, OnEmailChanged)
    COMMAND_HANDLER(IDC_PASSWORD, EN_CHANGE, OnPasswordChanged)
    END_MSG_MAP()

private:
    void OnGuest();
    void OnRegistered();
    void OnEmailChanged();
    void OnPasswordChanged();

    void EnableFields(BOOL enable) const;
    // Shows the stored e-mail address and password; filling the fields stores them back.
    void ShowStoredCredentials();

    HWND m_guest = nullptr;
    HWND m_registered = nullptr;
    HWND m_email = nullptr;
    HWND m_password = nullptr;
    // Opened anew each time the page is shown, so a key made meanwhile is found.
    std::optional<IdentificationStore> m_store;
};
