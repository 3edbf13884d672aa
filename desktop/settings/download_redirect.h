#pragma once
// While the main window is open, the web browser saves its downloads to the program's own
// folder: HKEY_CURRENT_USER "Software\Microsoft\Internet Explorer", value "Download Directory",
// points at "C:\Korvala Downloads", and the user's earlier setting comes back on Undo. One
// running instance of the program at a time holds the redirect: a second one leaves it to the
// first, so that it neither takes the first one's folder for the user's own nor undoes it early.
#include "unique_handle.h"

#include <cstdint>
#include <string>

inline constexpr char kKorvalaDownloadFolder[] = "C:\\Korvala Downloads";

class DownloadDirectoryRedirect {
public:
    enum class State : uint8_t { NotRedirected, RedirectedWithEarlier, RedirectedWithoutEarlier };

    DownloadDirectoryRedirect() = default;
    DownloadDirectoryRedirect(const DownloadDirectoryRedirect&) = delete;
    DownloadDirectoryRedirect& operator=(const DownloadDirectoryRedirect&) = delete;

    // Creates the folder and points the browser at it. An earlier value that exists but cannot
    // be read back as text is left alone and nothing is redirected, so that Undo cannot lose it;
    // an earlier value naming the program's own folder (left by a run that never undid its
    // redirect) counts as none. Does nothing while this or another instance's redirect is in force.
    void Redirect();
    // Writes the earlier directory back, or deletes the value when there was none.
    void Undo();

    State GetState() const { return m_state; }
    const std::string& EarlierDirectory() const { return m_earlierDirectory; }

private:
    bool RedirectHoldingTheClaim();

    State m_state = State::NotRedirected;
    std::string m_earlierDirectory;
    // The named object that marks the redirect as this instance's while it is in force. It goes
    // with the object, which lets go of the redirect without undoing it.
    UniqueKernelHandle m_claim;
};
