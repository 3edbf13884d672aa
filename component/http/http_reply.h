#pragma once
// Finds the end of an HTTP reply header as its bytes arrive one at a time: the header ends with
// the LF of an empty line, either CR LF or LF alone (a line of CR characters counts as empty).
#include <cstddef>

class HeaderEndDetector {
public:
    // Takes the next byte of the header; true when that byte ends the header.
    bool Feed(char byte);

private:
    std::size_t lineChars_ = 0;  // characters of the current line other than CR and LF
};
