#include "download_redirect.h"

#include "registry_store.h"

namespace {

const char kBrowserKey[] = "Software\\Microsoft\\Internet Explorer";
const char kDownloadValue[] = "Download Directory";
// What ReadString gives when there is no earlier directory; a stored "0" reads the same.
const char kNoEarlierValue[] = "0";

bool OpenBrowserKey(CRegistryStore& store)
{
    store.SetRootKey(HKEY_CURRENT_USER);
    return store.SetKey(kBrowserKey, FALSE);
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
    return store.LastError() == ERROR_SUCCESS;
}

}  // namespace

void DownloadDirectoryRedirect::Redirect()
{
    if (state_ != State::NotRedirected)
        return;
    CRegistryStore store;
    bool opened = OpenBrowserKey(store);
    std::string earlier;
    if (opened && !ReadEarlierDirectory(store, earlier))
        return;
    CreateDirectoryA(kKorvalaDownloadFolder, nullptr);
    if (!opened || !store.WriteString(kDownloadValue, kKorvalaDownloadFolder))
        return;
    if (earlier == kNoEarlierValue) {
        state_ = State::RedirectedWithoutEarlier;
    } else {
        earlierDirectory_ = earlier;
        state_ = State::RedirectedWithEarlier;
    }
}

void DownloadDirectoryRedirect::Undo()
{
    if (state_ == State::NotRedirected)
        return;
    CRegistryStore store;
    if (!OpenBrowserKey(store))
        return;
    if (state_ == State::RedirectedWithEarlier)
        store.WriteString(kDownloadValue, earlierDirectory_);
    else
        store.DeleteValue(kDownloadValue);
    state_ = State::NotRedirected;
    earlierDirectory_.clear();
}
