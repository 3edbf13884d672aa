// Rules of the hyperlink control that need no window: styles, colour choice, the web-browser
// fallback's command line and the error texts.
#pragma once

#include <cstdint>
#include <string>

enum LinkStyle : uint32_t {
    LinkUnderline = 0x01,
    LinkHoverColour = 0x02,
    LinkFitText = 0x04,
    LinkOpenOnPress = 0x08,
    LinkFocusOnClick = 0x10,
    LinkNoHandCursor = 0x20,
    LinkNoActiveColour = 0x40,
};

const uint32_t kDefaultLinkStyles = LinkUnderline | LinkFitText | LinkFocusOnClick;

enum class LinkColourRole { Normal, Active, Visited, Hover };

// Hover (with LinkHoverColour) wins over active (unless LinkNoActiveColour), active over
// visited, visited over normal.
LinkColourRole ChooseLinkColour(uint32_t styles, bool hover, bool active, bool visited);

// Size of the buffer the fallback command line is built in, its terminating zero included.
const size_t kBrowserCommandBuffer = 520;

// The web browser's registered command line with the target in place of its "%1": cut before a
// quoted "%1" (at its opening quote), else before a bare "%1", else kept whole; then a space and
// the target. False when the result would not fit the command buffer.
bool BuildBrowserCommand(const std::string& browserCommand, const std::string& target, std::string& command);

// "Can't open link:\n\n" followed by the reason for a shell result code.
std::string LinkErrorText(int code);
