#include "lcd/LCDAnimator.h"

#include "lcd/LCDModel.h"

#include <algorithm>
#include <cstdint>

namespace lcd {

TLCDAnimator::~TLCDAnimator()
{
    // Unlinking edits screens_, so work on a copy.
    for (TLCDModel* screen : std::vector<TLCDModel*>(screens_)) screen->SetLCDAnimator(nullptr);
}

void TLCDAnimator::SetCurrentLine(int line)
{
    line = std::max(line, int(INT16_MIN));  // a 16-bit line index
    int count = int(Code.size());
    if (line > count) line = std::max(0, count - 1);
    currentLine_ = line;
}

}  // namespace lcd
