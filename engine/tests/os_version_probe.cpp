// Exits with the OS version code of the system it runs on (100 for the empty code), so that a
// test can run it under another Windows version of Wine's.
#include "scan_document.h"

#include <cstdlib>

int main()
{
    std::string code = ScanDocument::OsVersionCode();
    return code.empty() ? 100 : std::atoi(code.c_str());
}
