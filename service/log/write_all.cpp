#include "write_all.h"

#include <unistd.h>

#include <cerrno>

bool WriteAll(int descriptor, std::string_view text)
{
    while (!text.empty()) {
        ssize_t written = write(descriptor, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        text.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}
