// The request to close that the installers send to a running korvala-desk in whatever session or
// desktop it runs: an event in the global namespace, one per process, which the program makes and
// waits on and an installer sets. A window message reaches only the installer's own desktop, and
// a deployment tool runs the installer in the system's session, where no user's window is.
#pragma once

#include <string>

// The event's name for the program with this process id.
inline std::string CloseRequestName(unsigned long processId)
{
    return "Global\\Korvala 2007 close request " + std::to_string(processId);
}
