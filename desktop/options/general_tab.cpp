#include "general_tab.h"

#include "registry_store.h"

namespace {

// The longest text whose scrambled form (two characters per byte) the registry store accepts:
// a longer one would silently keep an older, shorter value.
const int kLongestCredential = static_cast<int>(CRegistryStore::kLongestString / 2);

std::string WindowText(HWND window)
{
    int length = ::GetWindowTextLengthA(window);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    text.resize(static_cast<size_t>(::GetWindowTextA(window, &text[0], length + 1)));
    return text;
}

}  // namespace

BOOL CGeneralTab::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    m_guest = GetDlgItem(IDC_GUEST);
    m_registered = GetDlgItem(IDC_REGISTERED);
    m_email = GetDlgItem(IDC_EMAIL);
    m_password = GetDlgItem(IDC_PASSWORD);
    ::SendMessageA(m_email, EM_LIMITTEXT, kLongestCredential, 0);
    ::SendMessageA(m_password, EM_LIMITTEXT, kLongestCredential, 0);

    m_store.emplace();
    if (m_store->Read().guestScan != 0) {
        EnableFields(TRUE);
        ::SendMessageA(m_registered, BM_SETCHECK, BST_CHECKED, 0);
    } else {
        ::SendMessageA(m_guest, BM_SETCHECK, BST_CHECKED, 0);
    }
    ShowStoredCredentials();
    return TRUE;
}

void CGeneralTab::OnGuest()
{
    m_store->WriteRegistered(false);
    EnableFields(FALSE);
}

void CGeneralTab::OnRegistered()
{
    EnableFields(TRUE);
    ::SendMessageA(m_registered, BM_SETCHECK, BST_CHECKED, 0);
    ShowStoredCredentials();
    m_store->WriteRegistered(true);
}

void CGeneralTab::OnEmailChanged()
{
    m_store->WriteEmail(WindowText(m_email));
}

void CGeneralTab::OnPasswordChanged()
{
    m_store->WritePassword(WindowText(m_password));
}

void CGeneralTab::EnableFields(BOOL enable) const
{
    ::EnableWindow(m_email, enable);
    ::EnableWindow(m_password, enable);
}

void CGeneralTab::ShowStoredCredentials()
{
    Identification stored = m_store->Read();
    ::SetWindowTextA(m_email, stored.email.c_str());
    ::SetWindowTextA(m_password, stored.password.c_str());
}
