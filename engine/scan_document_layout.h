#pragma once
// The text rules of the scan document, free of any platform call: identity hash from a digest,
// item lines, the OS version table and the assembly of a whole document.
#include "md5_digest.h"

#include <cstdint>
#include <string>
#include <string_view>

// X = W0 ^ W2 and Y = W1 ^ W3 of the digest's little-endian words, each written as "%X"
// (no leading zeros) and joined, X first: 2 to 16 upper-case hexadecimal digits.
std::string JoinedHashHex(const Md5& digest);

// Reads up to 16 hexadecimal digits from the start of the text (either case); 0 for none.
int64_t HexToInt64(std::string_view text);

// The HWIDHASH value of an identity: the joined hex read as one number, printed signed.
std::string IdentityHashDecimal(std::string_view identity);

// One ScanItem line with its CR LF; the PLEVEL attribute only when a level is given.
std::string ItemLine(std::string_view hashDecimal, std::string_view version, const std::string* level);

// The OS version code of GetVersionExA's platform id, major and minor version.
std::string OsVersionCodeFor(uint32_t platformId, uint32_t major, uint32_t minor);

struct DocumentHeader {
    std::string scanGuid;
    std::string osVersionCode;
    std::string email;
    std::string password;
};

// The whole document: declaration, root, header, Data element around the inventory text.
// Nothing is escaped or converted; the result does not end with CR LF.
std::string AssembleDocument(const DocumentHeader& header, std::string_view inventoryText, int32_t deviceCount);
