#pragma once
// The script that animates a display: one statement line per tick of the display's animation
// timer. Screens link to it through SetLCDAnimator; destroying it unlinks them.
#include "platform/Strings.h"

#include <functional>
#include <vector>

namespace lcd {

class TLCDModel;

class TLCDAnimator {
public:
    TLCDAnimator() = default;
    ~TLCDAnimator();
    TLCDAnimator(const TLCDAnimator&) = delete;
    TLCDAnimator& operator=(const TLCDAnimator&) = delete;

    StringList Code;              // the script, one line per tick
    bool CodeErrorFound = false;  // kept for the settings; no effect when running

    // Index (from 0) of the line the next tick runs. A value beyond the number of lines becomes
    // the last line; the number of lines itself is accepted (that tick then runs nothing).
    int CurrentLine() const { return currentLine_; }
    void SetCurrentLine(int line);

    std::function<void(TLCDAnimator& sender)> OnEndCode;                      // the last line has run
    std::function<void(TLCDAnimator& sender, int lineNumber)> OnLineExecuted;  // a line has run

private:
    friend class TLCDModel;
    int currentLine_ = 0;
    std::vector<TLCDModel*> screens_;  // the displays linked to this script
};

}  // namespace lcd
