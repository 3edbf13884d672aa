#include "download_redirect.h"

#include "registry_store.h"

#include <utility>

namespace {

const char kBrowserKey[] = "Software\\Microsoft\\Internet Explorer";
const char kDownloadValue[] = "Download Directory";
// What ReadString gives when there is no earlier directory; a stored "0" reads the same.
const char kNoEarlierValue[] = "0";
// Exists while one instance of the program holds the redirect (per logon session, as the
// browser setting is per user).
const char kClaimName[] = "KorvalaDownloadDirectoryRedirect";

bool OpenBrowserKey(CRegistryStore& store)
{
    store.SetRootKey(HKEY_CURRENT_USER);
    return store.SetKey(kBrowserKey, FALSE);
}

// The program's own folder, in any letter case, with or without a closing backslash.
bool IsOwnFolder(std::string directory)
{
    if (directory.size() > 1 && directory.back() == '\\')
        directory.pop_back();
    return lstrcmpiA(directory.c_str(), kKorvalaDownloadFolder) == 0;
}

// False when a value exists that cannot be read as text (another type, or too long).
bool ReadEarlierDirectory(CRegistryStore& store, std::string& earlier)
{
    DWORD type = store.GetValueType(kDownloadValue);
    if (store.LastError() == ERROR_FILE_NOT_FOUND) {
        earlier = kNoEarlierValue;
        return true;
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return false;
    earlier = store.ReadString(kDownloadValue, kNoEarlierValue);
    if (IsOwnFolder(earlier))
        earlier = kNoEarlierValue;
    return store.LastError() == ERROR_SUCCESS;
}

}  // namespace

void DownloadDirectoryRedirect::Redirect()
{
    if (m_state != State::NotRedirected)
        return;
    UniqueKernelHandle claim(CreateMutexA(nullptr, FALSE, kClaimName));
    if (claim && GetLastError() == ERROR_ALREADY_EXISTS)
        return;
    m_claim = std::move(claim);
    if (!RedirectHoldingTheClaim())
        m_claim.Reset();
}

bool DownloadDirectoryRedirect::RedirectHoldingTheClaim()
{
    CRegistryStore store;
    bool opened = OpenBrowserKey(store);
    std::string earlier;
    if (opened && !ReadEarlierDirectory(store, earlier))
        return false;
    CreateDirectoryA(kKorvalaDownloadFolder, nullptr);
    if (!opened || !store.WriteString(kDownloadValue, kKorvalaDownloadFolder))
        return false;
    if (earlier == kNoEarlierValue) {
        m_state = State::RedirectedWithoutEarlier;
    } else {
        m_earlierDirectory = earlier;
        m_state = State::RedirectedWithEarlier;
    }
    return true;
}

void DownloadDirectoryRedirect::Undo()
{
    if (m_state == State::NotRedirected)
        return;
    CRegistryStore store;
    if (!OpenBrowserKey(store))
        return;
    if (m_state == State::RedirectedWithEarlier)
        store.WriteString(kDownloadValue, m_earlierDirectory);
    else
        store.DeleteValue(kDownloadValue);
    m_state = State::NotRedirected;
    m_earlierDirectory.clear();
    m_claim.Reset();
}
