#include "lcd/LCDText.h"

#include <algorithm>

namespace lcd {

int CountControlCodes(std::string_view text)
{
    return static_cast<int>(std::count_if(text.begin(), text.end(), IsControlCode));
}

void PadDisplayLines(StringList& display, const StringList& lines, int noOfLines, int noOfChars,
                     THorzScrollMode mode)
{
    if (display.size() < size_t(std::max(noOfLines, 0))) display.resize(size_t(noOfLines));

    auto padTo = [](std::string& line, size_t length) {
        if (!line.empty() && line.size() < length) line.append(length - line.size(), ' ');
    };

    if (mode == smIndependant) {
        int most = 0;
        for (const auto& line : lines) most = std::max(most, CountControlCodes(line));
        for (auto& line : display) padTo(line, size_t(noOfChars + most));
        return;
    }
    size_t visible = size_t(std::max(noOfChars, 0));
    for (const auto& line : display) visible = std::max(visible, line.size() - size_t(CountControlCodes(line)));
    for (auto& line : display) padTo(line, visible + size_t(CountControlCodes(line)));
}

void RotateLine(std::string& line, int n)
{
    size_t steps = 0;
    if (n < 0) {
        size_t k = size_t(-int64_t(n));
        steps = k + size_t(CountControlCodes(std::string_view(line).substr(0, k)));
    } else {
        size_t k = size_t(n);
        size_t from = line.size() > k ? line.size() - k : 0;
        steps = k + size_t(CountControlCodes(std::string_view(line).substr(from)));
    }
    if (steps == 0 || steps >= line.size()) return;
    if (n < 0)
        std::rotate(line.begin(), line.begin() + std::ptrdiff_t(steps), line.end());
    else
        std::rotate(line.begin(), line.end() - std::ptrdiff_t(steps), line.end());
}

void HorzScroll(StringList& display, int noOfLines, int n)
{
    size_t count = std::min(display.size(), size_t(std::max(noOfLines, 0)));
    for (size_t i = 0; i < count; ++i) RotateLine(display[i], n);
}

void VertScroll(StringList& display, int n)
{
    if (display.size() < 2) return;
    // |n| single moves make a rotation by |n| modulo the number of lines.
    size_t steps = size_t(n < 0 ? -int64_t(n) : int64_t(n)) % display.size();
    if (n < 0)
        std::rotate(display.begin(), display.begin() + std::ptrdiff_t(steps), display.end());
    else
        std::rotate(display.begin(), display.end() - std::ptrdiff_t(steps), display.end());
}

void InfoPanelOnStep(StringList& display, const StringList& lines, int noOfLines, int infoPos)
{
    if (infoPos < 1) return;
    size_t cursor = size_t(infoPos);
    size_t count = std::min(display.size(), size_t(std::max(noOfLines, 0)));
    for (size_t i = 0; i < count; ++i) {
        std::string& line = display[i];
        if (cursor <= line.size()) line[cursor - 1] = ' ';
        if (i < lines.size() && cursor > 1 && cursor - 1 <= line.size()) {
            const std::string& source = lines[i];
            line[cursor - 2] = cursor - 1 <= source.size() ? source[cursor - 2] : ' ';
        }
    }
}

void InfoPanelOffStep(StringList& display, int infoPos)
{
    if (infoPos < 1) return;
    size_t cursor = size_t(infoPos);
    for (auto& line : display) {
        // A line that reaches the cursor column shows the cursor there.
        if (line.size() >= cursor)
            line[cursor - 1] = ' ';
        else
            line += ' ';
        if (cursor > 1 && line.size() > cursor - 1) line[cursor - 2] = char(255);
    }
}

namespace {
// Position (from 1) of the first `c` in `text`, 0 when there is none.
size_t FirstPos(const std::string& text, char c)
{
    size_t p = text.find(c);
    return p == std::string::npos ? 0 : p + 1;
}
}  // namespace

std::vector<TCellLook> LineCells(const std::string* line, int noOfChars, TSpecialEffects effects,
                                 bool blinkPhase, int infoPos)
{
    std::vector<TCellLook> cells;
    if (noOfChars <= 0) return cells;
    cells.reserve(size_t(noOfChars));

    // A line rotated by scrolling may begin inside a stretch whose start code wrapped round to
    // its end: the stop code then comes first (a missing code counts as position 0).
    const bool inverseWraps = line && effects.Has(spInverse) &&
                              FirstPos(*line, kInverseOff) < FirstPos(*line, kInverseOn);
    const bool blinkWraps = line && effects.Has(spBlinking) &&
                            FirstPos(*line, kBlinkOff) < FirstPos(*line, kBlinkOn);

    bool inverse = false, blink = false, inverseOffSeen = false, blinkOffSeen = false;
    size_t p = 0;
    while (cells.size() < size_t(noOfChars)) {
        if (!line || p >= line->size()) {
            cells.push_back({32, inverse});
            ++p;
            continue;
        }
        char c = (*line)[p++];
        if (IsControlCode(c)) {
            switch (c) {
            case kInverseOn:
                if (effects.Has(spInverse)) inverse = true;
                break;
            case kInverseOff:
                inverse = false;
                inverseOffSeen = true;
                break;
            case kBlinkOn:
                if (effects.Has(spBlinking)) blink = true;
                blinkOffSeen = false;
                break;
            case kBlinkOff:
                blink = false;
                blinkOffSeen = true;
                break;
            default:
                break;
            }
            continue;
        }
        if (inverseWraps && !inverseOffSeen) inverse = true;
        if (blinkWraps && !blinkOffSeen) blink = true;
        bool hidden = blink && !blinkOffSeen && blinkPhase && infoPos == 0;
        cells.push_back({hidden ? uint8_t(32) : static_cast<uint8_t>(c), inverse});
    }
    return cells;
}

}  // namespace lcd
