#pragma once
// The two deliverables run the same scan engine; these are the only ways in which they differ.
struct ScanFlavour {
    bool setsPermuteLevel;  // items carry PERMUTELEVEL and their lines a PLEVEL attribute
    bool writesFileCopy;    // every built document is also written to C:\ScanXML.xml
    bool comPerShortcut;    // the software pass initialises COM around each shortcut itself
};

// The automation library: levels, the file copy, COM set up by the caller around each pass.
inline constexpr ScanFlavour kComponentFlavour{true, true, false};
// The desktop program: no levels, no file copy, COM set up per shortcut.
inline constexpr ScanFlavour kDesktopFlavour{false, false, true};
