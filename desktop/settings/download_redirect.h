#pragma once
// While the main window is open, the web browser saves its downloads to the program's own
// folder: HKEY_CURRENT_USER "Software\Microsoft\Internet Explorer", value "Download Directory",
// points at "C:\Korvala Downloads", and the user's earlier setting comes back on Undo.
#include <cstdint>
#include <string>

inline constexpr char kKorvalaDownloadFolder[] = "C:\\Korvala Downloads";

class DownloadDirectoryRedirect {
public:
    enum class State : uint8_t { NotRedirected, RedirectedWithEarlier, RedirectedWithoutEarlier };

    // Creates the folder and points the browser at it. An earlier value that exists but cannot
    // be read back as text is left alone and nothing is redirected, so that Undo cannot lose it.
    // Does nothing while a redirect is in force.
    void Redirect();
    // Writes the earlier directory back, or deletes the value when there was none.
    void Undo();

    State GetState() const { return state_; }
    const std::string& EarlierDirectory() const { return earlierDirectory_; }

private:
    State state_ = State::NotRedirected;
    std::string earlierDirectory_;
};
