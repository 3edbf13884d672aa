#include "link_rules.h"

LinkColourRole ChooseLinkColour(uint32_t styles, bool hover, bool active, bool visited)
{
    if (hover && (styles & LinkHoverColour)) {
        return LinkColourRole::Hover;
    }
    if (active && !(styles & LinkNoActiveColour)) {
        return LinkColourRole::Active;
    }
    return visited ? LinkColourRole::Visited : LinkColourRole::Normal;
}

bool BuildBrowserCommand(const std::string& browserCommand, const std::string& target, std::string& command)
{
    std::string result = browserCommand;
    size_t cut = result.find("\"%1\"");
    if (cut == std::string::npos) {
        cut = result.find("%1");
    }
    if (cut != std::string::npos) {
        result.erase(cut);
    }
    result += ' ';
    result += target;
    if (result.size() + 1 > kBrowserCommandBuffer) {
        return false;
    }
    command = result;
    return true;
}

std::string LinkErrorText(int code)
{
    const char* reason = nullptr;
    switch (code) {
    case 0:
        reason = "The operating system is out\nof memory or resources.";
        break;
    case 2:
        reason = "The specified file was not found.";
        break;
    case 3:
        reason = "The specified path was not found.";
        break;
    case 5:
        reason = "The operating system denied\naccess to the specified file.";
        break;
    case 8:
        reason = "There was not enough memory to complete the operation.";
        break;
    case 11:
        reason = "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
        break;
    case 26:
        reason = "A sharing violation occurred. ";
        break;
    case 27:
        reason = "The filename association is\nincomplete or invalid.";
        break;
    case 28:
        reason = "The DDE transaction could not\nbe completed because the request timed out.";
        break;
    case 29:
        reason = "The DDE transaction failed.";
        break;
    case 30:
        reason =
            "The DDE transaction could not\nbe completed because other DDE transactions\n"
            "were being processed.";
        break;
    case 31:
        reason = "There is no application associated\nwith the given filename extension.";
        break;
    case 32:
        reason = "The specified dynamic-link library was not found.";
        break;
    default:
        break;
    }
    std::string text = "Can't open link:\n\n";
    if (reason) {
        return text + reason;
    }
    return text + "Unknown Error (" + std::to_string(code) + ") occurred.";
}
