#include "scan_document.h"

#include "scan_document_layout.h"

std::string ScanDocument::FormatItemLine() const
{
    std::string level = item_.Get(kPermuteLevelKey);
    bool hasLevel = flavour_.setsPermuteLevel && item_.Has(kPermuteLevelKey);
    return ItemLine(std::to_string(HexToInt64(HashIdentity())), item_.Get(kVersionIdKey), hasLevel ? &level : nullptr);
}

std::string ScanDocument::HashIdentity() const
{
    std::string identity = item_.Get(kHardwareIdKey);
    return JoinedHashHex(Md5Digest(identity.data(), identity.size()));
}

int64_t ScanDocument::HexToInt64(const std::string& text)
{
    return ::HexToInt64(text);
}
