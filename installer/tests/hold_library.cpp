// Keeps a DLL loaded, as a browser keeps KVObject.dll while a page uses it: loads it, prints
// "loaded" and waits the given seconds (or until it is ended).
// Usage: hold_library "path of the DLL" seconds. Exit code 0, 1 when the DLL does not load,
// 2 on wrong arguments.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: hold_library \"path of the DLL\" seconds\n");
        return 2;
    }
    HMODULE library = ::LoadLibraryA(argv[1]);
    if (!library) {
        std::printf("cannot load %s: error %lu\n", argv[1], ::GetLastError());
        return 1;
    }
    std::printf("loaded\n");
    std::fflush(stdout);
    ::Sleep(static_cast<DWORD>(std::atoi(argv[2])) * 1000);
    ::FreeLibrary(library);
    return 0;
}
