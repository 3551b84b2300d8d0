// Padding, scrolling, panel wipes and the cell layout of display lines.
#include "lcd/LCDText.h"

#include <gtest/gtest.h>

#include <string>

using namespace lcd;

namespace {
const std::string Inv = "\n", InvOff = "\v", Blink = "\f", BlinkOff = "\r";

std::string Spaces(size_t n) { return std::string(n, ' '); }

// The codes a line's cells show, and which of them are inverse ('I').
std::string Codes(const std::vector<TCellLook>& cells)
{
    std::string out;
    for (const auto& c : cells) out += char(c.code);
    return out;
}
std::string InverseMask(const std::vector<TCellLook>& cells)
{
    std::string out;
    for (const auto& c : cells) out += c.inverse ? 'I' : '.';
    return out;
}
}  // namespace

TEST(PadDisplayLines, IndependentLinesFillToTheCellsPlusControlCodes)
{
    StringList display{"Connected"};
    PadDisplayLines(display, {"Connected"}, 1, 34, smIndependant);
    EXPECT_EQ(display, StringList{"Connected" + Spaces(25)});

    // a text longer than the display keeps its length
    std::string forty(40, 'x');
    display = {forty};
    PadDisplayLines(display, {forty}, 1, 34, smIndependant);
    EXPECT_EQ(display, StringList{forty});

    // missing lines are added empty and stay empty; every line gets room for the most control
    // codes of any line
    StringList lines{"ab" + Inv + "c" + InvOff, "x"};
    display = lines;
    PadDisplayLines(display, lines, 3, 5, smIndependant);
    EXPECT_EQ(display, (StringList{lines[0] + Spaces(2), "x" + Spaces(6), ""}));
}

TEST(PadDisplayLines, DependentLinesShareOneVisibleLength)
{
    StringList lines{"short", "a much longer line", "", "c" + Inv + "d"};
    StringList display = lines;
    PadDisplayLines(display, lines, 4, 10, smDependant);
    ASSERT_EQ(display.size(), 4u);
    EXPECT_EQ(display[0], "short" + Spaces(13));
    EXPECT_EQ(display[1], "a much longer line");
    EXPECT_EQ(display[2], "");
    EXPECT_EQ(display[3], "c" + Inv + "d" + Spaces(16));
}

TEST(HorzScroll, RotatesByVisibleStepsCarryingControlCodes)
{
    std::string line = "abcdef";
    RotateLine(line, -1);
    EXPECT_EQ(line, "bcdefa");
    RotateLine(line, 2);
    EXPECT_EQ(line, "fabcde");

    // a control code among the characters that move round makes the rotation one longer
    line = "a" + Inv + "bcd";
    RotateLine(line, -2);
    EXPECT_EQ(line, "cda" + Inv + "b");
    line = "abc" + Inv + "d";
    RotateLine(line, 2);
    EXPECT_EQ(line, "c" + Inv + "dab");

    // a rotation by the length or more, and an empty line, change nothing
    line = "abc";
    RotateLine(line, -3);
    EXPECT_EQ(line, "abc");
    RotateLine(line, 127);
    EXPECT_EQ(line, "abc");
    line.clear();
    RotateLine(line, -128);
    EXPECT_EQ(line, "");

    // only the shown lines scroll
    StringList display{"ab", "cd", "ef"};
    HorzScroll(display, 2, -1);
    EXPECT_EQ(display, (StringList{"ba", "dc", "ef"}));
    // a display line that does not exist is skipped
    StringList one{"xy"};
    HorzScroll(one, 3, 1);
    EXPECT_EQ(one, StringList{"yx"});
}

TEST(VertScroll, MovesWholeLinesUpOrDown)
{
    StringList display{"1", "2", "3"};
    VertScroll(display, -1);
    EXPECT_EQ(display, (StringList{"2", "3", "1"}));
    VertScroll(display, 2);
    EXPECT_EQ(display, (StringList{"3", "1", "2"}));
    VertScroll(display, -128);  // 128 single moves on three lines
    EXPECT_EQ(display, (StringList{"2", "3", "1"}));

    StringList two{"top", "bottom"};
    VertScroll(two, -1);
    EXPECT_EQ(two, (StringList{"bottom", "top"}));
    StringList none;
    VertScroll(none, -1);
    EXPECT_TRUE(none.empty());
}

TEST(InfoPanelOn, RevealsTheUnscrolledTextAndNeverWritesPastALine)
{
    StringList lines{"abcd", "", "xy"};
    StringList display{"cdab", "", "yx  "};
    InfoPanelOnStep(display, lines, 3, 1);
    EXPECT_EQ(display, (StringList{" dab", "", " x  "}));
    InfoPanelOnStep(display, lines, 3, 2);
    EXPECT_EQ(display, (StringList{"a ab", "", "x   "}));
    InfoPanelOnStep(display, lines, 3, 4);
    EXPECT_EQ(display, (StringList{"a c ", "", "x   "}));
    // the last step is one past the end: only the column before it is written
    InfoPanelOnStep(display, lines, 3, 5);
    EXPECT_EQ(display, (StringList{"a cd", "", "x   "}));
    // far beyond every line nothing is written and nothing breaks
    InfoPanelOnStep(display, lines, 3, 300);
    EXPECT_EQ(display, (StringList{"a cd", "", "x   "}));
    // display lines beyond those shown are not touched
    StringList extra{"abcd", "efgh"};
    InfoPanelOnStep(extra, lines, 1, 1);
    EXPECT_EQ(extra, (StringList{" bcd", "efgh"}));
}

TEST(InfoPanelOff, WipesToLitCellsBehindABlankCursor)
{
    const std::string lit(1, char(255));
    StringList display{"abc", ""};
    InfoPanelOffStep(display, 1);
    EXPECT_EQ(display, (StringList{" bc", " "}));
    InfoPanelOffStep(display, 2);
    EXPECT_EQ(display, (StringList{lit + " c", lit + " "}));
    // a line exactly as long as the cursor column shows the blank cursor there
    InfoPanelOffStep(display, 3);
    EXPECT_EQ(display, (StringList{lit + lit + " ", lit + lit + " "}));
    InfoPanelOffStep(display, 4);
    EXPECT_EQ(display, (StringList{lit + lit + lit + " ", lit + lit + lit + " "}));
}

TEST(LineCells, InverseStretchTakesNoCells)
{
    const std::string line = "AB" + Inv + "CD" + InvOff + "EF";
    auto cells = LineCells(&line, 6, {spInverse}, false, 0);
    EXPECT_EQ(Codes(cells), "ABCDEF");
    EXPECT_EQ(InverseMask(cells), "..II..");

    // without the effect the codes still take no cells
    cells = LineCells(&line, 6, {}, false, 0);
    EXPECT_EQ(Codes(cells), "ABCDEF");
    EXPECT_EQ(InverseMask(cells), "......");

    // a wider display fills with blanks; a missing line is all blanks
    cells = LineCells(&line, 8, {spInverse}, false, 0);
    EXPECT_EQ(Codes(cells), "ABCDEF  ");
    cells = LineCells(nullptr, 3, {spInverse}, true, 0);
    EXPECT_EQ(Codes(cells), "   ");
    EXPECT_EQ(InverseMask(cells), "...");
}

TEST(LineCells, RotatedLineThatBeginsInsideAStretch)
{
    // "AB",10,"CD",11,"EF" rotated left by two visible characters and the code between
    const std::string rotated = "CD" + InvOff + "EFAB" + Inv;
    auto cells = LineCells(&rotated, 6, {spInverse}, false, 0);
    EXPECT_EQ(Codes(cells), "CDEFAB");
    EXPECT_EQ(InverseMask(cells), "II....");

    // an inverse stretch that runs on to the end continues in the blanks after the text
    const std::string open = "AB" + Inv + "CD";
    cells = LineCells(&open, 6, {spInverse}, false, 0);
    EXPECT_EQ(InverseMask(cells), "IIIIII");

    const std::string blinkRotated = "CD" + BlinkOff + "EFAB" + Blink;
    cells = LineCells(&blinkRotated, 6, {spBlinking}, true, 0);
    EXPECT_EQ(Codes(cells), "  EFAB");
}

TEST(LineCells, BlinkingTextHidesOnEveryOtherPhaseButNotDuringAWipe)
{
    const std::string line = "AB" + Blink + "CD" + BlinkOff + "EF";
    EXPECT_EQ(Codes(LineCells(&line, 6, {spBlinking}, false, 0)), "ABCDEF");
    EXPECT_EQ(Codes(LineCells(&line, 6, {spBlinking}, true, 0)), "AB  EF");
    EXPECT_EQ(Codes(LineCells(&line, 6, {spBlinking}, true, 3)), "ABCDEF");
    EXPECT_EQ(Codes(LineCells(&line, 6, {}, true, 0)), "ABCDEF");
}

TEST(LineCells, VeryLongLinesAreCutToTheDisplay)
{
    std::string line(300, 'q');
    line[299] = 'z';
    auto cells = LineCells(&line, 255, {spInverse, spBlinking}, true, 0);
    ASSERT_EQ(cells.size(), 255u);
    EXPECT_EQ(Codes(cells), std::string(255, 'q'));
    cells = LineCells(&line, 400, {}, false, 0);
    EXPECT_EQ(cells[299].code, 'z');
    EXPECT_EQ(cells[300].code, ' ');
}
