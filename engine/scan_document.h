#pragma once
// Builder of item lines and whole scan documents. The inventory passes use one per item to
// write its ScanItem line; callers use one per document to wrap an inventory text.
#include "scan_flavour.h"
#include "scan_item.h"

#include <cstdint>
#include <string>

class ScanDocument {
public:
    explicit ScanDocument(const ScanFlavour& flavour) : flavour_(flavour) {}

    void SetProperty(const std::string& key, const std::string& value) { item_.Set(key, value); }
    std::string GetProperty(const std::string& key) const { return item_.Get(key); }

    // The ScanItem line of the current properties, ending with CR LF.
    std::string FormatItemLine() const;
    // The joined hexadecimal identity hash of HARDWAREID.
    std::string HashIdentity() const;
    static int64_t HexToInt64(const std::string& text);
    // The code of the running Windows version ("4" for XP, "6" for Vista and later NT 6.x, ...).
    static std::string OsVersionCode();
    // A fresh scan identifier in registry form, {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}.
    static std::string NewScanGuid();

    // The whole document around the inventory text. The component's flavour also writes it to
    // C:\ScanXML.xml; the document is returned whether or not that copy could be written.
    std::string BuildDocument(const std::string& inventoryText, int32_t deviceCount) const;

    std::string email;
    std::string password;

private:
    ScanFlavour flavour_;
    ScanItem item_;
};
