#pragma once
// The text side of the display: padding, scrolling and panel wipes of the displayed lines, and
// the cell-by-cell layout of one line with its inverse and blink control codes. Positions are
// byte positions; nothing here limits the length of a line.
#include "lcd/LCDTypes.h"
#include "platform/Strings.h"

#include <string>
#include <string_view>
#include <vector>

namespace lcd {

// Codes 10 to 20 steer the display and take no cell: 10/11 inverse on/off, 12/13 blink on/off.
constexpr char kInverseOn = 10, kInverseOff = 11, kBlinkOn = 12, kBlinkOff = 13;
constexpr bool IsControlCode(char c) { return static_cast<unsigned char>(c) >= 10 && static_cast<unsigned char>(c) <= 20; }
int CountControlCodes(std::string_view text);

// Gives `display` at least `noOfLines` entries and fills its non-empty lines with spaces, so
// that a scrolled line wraps around at the right edge (independent mode: each line to at least
// noOfChars plus the most control codes of any line of `lines`; dependent mode: every line to
// the same visible length). Empty lines stay empty.
void PadDisplayLines(StringList& display, const StringList& lines, int noOfLines, int noOfChars,
                     THorzScrollMode mode);

// Rotates one line by n visible steps: left for n < 0, right otherwise. Control codes among the
// characters that move round are carried along without counting as a step.
void RotateLine(std::string& line, int n);
// Rotates the first noOfLines entries of `display`.
void HorzScroll(StringList& display, int noOfLines, int n);
// Moves whole lines: for n < 0 the first entry goes to the end |n| times, for n > 0 the last
// entry goes to the front.
void VertScroll(StringList& display, int n);

// One step of the reveal wipe at column infoPos (from 1): that column becomes the blank cursor
// and the column before it shows the unscrolled text of `lines`. Columns beyond the end of a
// line are left alone.
void InfoPanelOnStep(StringList& display, const StringList& lines, int noOfLines, int infoPos);
// One step of the wipe to fully lit cells: column infoPos becomes the blank cursor (a space is
// appended to a line that does not reach it), the column before it a fully lit cell (code 255).
void InfoPanelOffStep(StringList& display, int infoPos);

// What one cell of a line shows: a character code and whether it is drawn inverse.
struct TCellLook {
    uint8_t code = 32;
    bool inverse = false;
    bool operator==(const TCellLook&) const = default;
};

// Lays out one display line (null: the line does not exist) into exactly noOfChars cells.
// While the blink phase is on and no panel wipe runs (infoPos 0), blinking text shows as blanks.
std::vector<TCellLook> LineCells(const std::string* line, int noOfChars, TSpecialEffects effects,
                                 bool blinkPhase, int infoPos);

}  // namespace lcd
