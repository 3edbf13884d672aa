// Reads a list of addresses whose pages may use KVObject with the library's own parser and
// prints each entry that has no page origin, one per line; exits with 1 when there is one. The
// build runs it on its further page origins, which would otherwise allow nothing unnoticed (a
// list separated by commas is one entry that names no host).
// Usage: check_page_origins "<addresses separated by white space>"
#include "page_origin.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: check_page_origins \"<addresses separated by white space>\"\n", stderr);
        return 2;
    }
    int status = 0;
    for (std::string_view entry : ListedAddresses(argv[1])) {
        if (!ParsePageOrigin(entry)) {
            std::printf("%s\n", std::string(entry).c_str());
            status = 1;
        }
    }
    return status;
}
