#include "http_reply.h"

bool HeaderEndDetector::Feed(char byte)
{
    if (byte == '\n') {
        if (lineChars_ == 0)
            return true;
        lineChars_ = 0;
    } else if (byte != '\r') {
        ++lineChars_;
    }
    return false;
}
