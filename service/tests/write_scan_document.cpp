// Writes the scan document of a made-up PC to standard output, as the engine would send it:
// standard input holds one device a line, "hardware id<TAB>installed version" (the version may
// be empty). With --levels the items carry levels (the component's documents), without them
// they carry none (the desktop program's). For tools that show the service at work.
#include "scan_documents.h"

#include <cstring>
#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    bool leveled = argc == 2 && std::strcmp(argv[1], "--levels") == 0;
    if (argc > 2 || (argc == 2 && !leveled)) {
        std::cerr << "usage: write_scan_document [--levels] < devices.tsv\n";
        return 2;
    }
    std::string inventory;
    for (std::string line; std::getline(std::cin, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t tab = line.find('\t');
        if (line.empty() || tab == 0)
            continue;
        std::string version = tab == std::string::npos ? std::string() : line.substr(tab + 1);
        inventory += DeviceLines(line.substr(0, tab), version, leveled);
    }
    std::cout << WholeDocument(inventory);
    return std::cout.flush() ? 0 : 1;
}
