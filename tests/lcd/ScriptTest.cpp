// The animation script: parsing a line, and the ticks that run it on a display.
#include "lcd/LCDModel.h"
#include "lcd/LCDScript.h"
#include "platform/Exception.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace lcd;

namespace {

std::string Spaces(size_t n) { return std::string(n, ' '); }

std::string Shown(const TLCDModel& model, int line = 0)
{
    std::string out;
    for (const auto& cell : model.LineCells(line)) out += char(cell.code);
    return out;
}

// A display as the main window has it, linked to a script.
struct Marquee : ::testing::Test {
    TLCDModel screen;
    TLCDAnimator animator;
    std::vector<int> executed;
    int ended = 0;

    void SetUp() override
    {
        screen.SetNoOfChars(34);
        screen.SetAnimationRepeating(true);
        animator.OnLineExecuted = [this](TLCDAnimator& sender, int line) {
            EXPECT_EQ(&sender, &animator);
            executed.push_back(line);
        };
        animator.OnEndCode = [this](TLCDAnimator& sender) {
            EXPECT_EQ(&sender, &animator);
            ++ended;
        };
        animator.Code = {"[HorzScroll(-1); ]"};
        screen.SetLCDAnimator(&animator);
        screen.SetAnimationEnabled(true);
    }
    void Ticks(int n)
    {
        for (int i = 0; i < n; ++i) screen.TimerTick();
    }
};

}  // namespace

TEST(ParseCodeLine, ReadsCommandsBetweenTheBrackets)
{
    auto commands = ParseCodeLine("[HorzScroll(-1); ]", 1);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].name, "horzscroll");
    EXPECT_EQ(commands[0].argument, -1);

    commands = ParseCodeLine("[horzscroll(-1);   SetIntensity(+60);]", 2);
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[1].name, "setintensity");
    EXPECT_EQ(commands[1].argument, 60);

    // the first character is dropped whatever it is: after a leading blank the bracket stays
    // in the name, and the command is one nobody knows
    commands = ParseCodeLine(" [horzscroll(-1);]", 1);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].name, "[horzscroll");
    EXPECT_EQ(commands[0].argument, -1);

    // names are cut to 25 characters; the argument then starts inside the name and fails
    EXPECT_THROW(ParseCodeLine("[abcdefghijklmnopqrstuvwxyzab(1);]", 1), EConvertError);
    commands = ParseCodeLine("[abcdefghijklmnopqrstuvwxy(7);]", 1);
    EXPECT_EQ(commands[0].name, "abcdefghijklmnopqrstuvwxy");
    EXPECT_EQ(commands[0].argument, 7);

    // a line without a semicolon holds no command; short lines are empty
    EXPECT_TRUE(ParseCodeLine("[horzscroll(1)]", CountCommands("[horzscroll(1)]")).empty());
    EXPECT_TRUE(ParseCodeLine("", 0).empty());
    EXPECT_THROW(ParseCodeLine(";", 1), EConvertError);
}

TEST(ParseCodeLine, AMissingOrBadArgumentIsAConversionError)
{
    try {
        ParseCodeLine("[resetdisplay;]", 1);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'' is not a valid integer value");
    }
    try {
        ParseCodeLine("[horzscroll(-1); vertscroll(x1);]", 2);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'x1' is not a valid integer value");
    }
    // a blank between name and bracket is not allowed
    EXPECT_THROW(ParseCodeLine("[horzscroll (1);]", 1), EConvertError);
}

TEST_F(Marquee, StatusTextGoesRoundInOneCellSteps)
{
    screen.SetLines({"Connected"});
    ASSERT_EQ(screen.DisplayLines(), StringList{"Connected" + Spaces(25)});
    Ticks(1);
    EXPECT_EQ(Shown(screen), "onnected" + Spaces(25) + "C");
    Ticks(33);
    EXPECT_EQ(Shown(screen), "Connected" + Spaces(25));
    EXPECT_EQ(executed, std::vector<int>(34, 0));
    EXPECT_EQ(ended, 34);  // a one-line script ends on every tick and starts again
    EXPECT_TRUE(screen.AnimationEnabled());
}

TEST_F(Marquee, LongTextRepeatsAfterItsOwnLength)
{
    std::string text;
    for (int i = 0; i < 41; ++i) text += char('0' + i);
    screen.SetLines({text});
    for (int tick = 1; tick < 41; ++tick) {
        Ticks(1);
        ASSERT_NE(screen.DisplayLines()[0], text) << "tick " << tick;
    }
    Ticks(1);
    EXPECT_EQ(screen.DisplayLines()[0], text);
    EXPECT_EQ(Shown(screen), text.substr(0, 34));
}

TEST_F(Marquee, ANewTextStartsUnscrolled)
{
    screen.SetLines({"Checking"});
    Ticks(5);
    screen.SetLines({"Done"});
    EXPECT_EQ(Shown(screen), "Done" + Spaces(30));
}

TEST_F(Marquee, VerticalScrollSwapsTwoLines)
{
    screen.SetNoOfLines(2);
    animator.Code = {"[vertscroll(-1);]"};
    screen.SetLines({"first", "second"});
    Ticks(1);
    EXPECT_EQ(screen.DisplayLines()[0].substr(0, 6), "second");
    EXPECT_EQ(screen.DisplayLines()[1].substr(0, 5), "first");
    Ticks(1);
    EXPECT_EQ(screen.DisplayLines()[0].substr(0, 5), "first");
}

TEST_F(Marquee, GotoLineJumpsSoTheNextTickRunsTheLineAfterIt)
{
    animator.Code = {"[horzscroll(0);]", "[horzscroll(0);]", "[gotoline(0);]"};
    Ticks(5);
    // line 2 jumps to 0, and the script advances from there to line 1
    EXPECT_EQ(executed, (std::vector<int>{0, 1, 0, 1, 0}));
    EXPECT_EQ(ended, 0);

    // a target past the end leaves the last line to run next
    animator.Code = {"[gotoline(99);]", "[horzscroll(0);]", "[horzscroll(0);]"};
    animator.SetCurrentLine(0);
    executed.clear();
    Ticks(3);
    EXPECT_EQ(executed, (std::vector<int>{3, 2, 3}));
    EXPECT_EQ(ended, 1);

    // gotoline to the last line wraps to the start and ends the script
    animator.Code = {"[gotoline(1);]", "[horzscroll(0);]"};
    animator.SetCurrentLine(0);
    executed.clear();
    ended = 0;
    Ticks(1);
    EXPECT_EQ(executed, (std::vector<int>{1}));
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(animator.CurrentLine(), 0);
}

TEST_F(Marquee, BadLineFailsOnEveryTickWithoutRunningAnyOfIt)
{
    screen.SetLines({"Quillbox"});
    animator.Code = {"[horzscroll(-1);]", "[horzscroll(-1); resetdisplay;]"};
    Ticks(1);
    ASSERT_EQ(animator.CurrentLine(), 1);
    const StringList before = screen.DisplayLines();
    for (int attempt = 0; attempt < 3; ++attempt) {
        try {
            screen.TimerTick();
            FAIL() << "no error";
        } catch (const EConvertError& e) {
            EXPECT_STREQ(e.what(), "'' is not a valid integer value");
        }
    }
    EXPECT_EQ(screen.DisplayLines(), before);  // the scroll before the bad command never ran
    EXPECT_EQ(animator.CurrentLine(), 1);
    EXPECT_EQ(executed.size(), 1u);

    // with its argument the command restores the unscrolled text
    animator.Code[1] = "[resetdisplay(0);]";
    Ticks(1);
    EXPECT_EQ(Shown(screen), "Quillbox" + Spaces(26));
}

TEST_F(Marquee, WithoutRepeatingTheScriptStopsAfterItsLastLine)
{
    screen.SetAnimationRepeating(false);
    animator.Code = {"[horzscroll(-1);]", "[horzscroll(-1);]", "[horzscroll(-1);]"};
    Ticks(2);
    EXPECT_EQ(ended, 0);
    EXPECT_TRUE(screen.AnimationEnabled());
    Ticks(1);
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(screen.AnimationEnabled());
    EXPECT_EQ(animator.CurrentLine(), 0);
}

TEST_F(Marquee, EmptyScriptOnlyTogglesTheBlinkPhase)
{
    animator.Code.clear();
    screen.SetLines({"Quillbox"});
    const StringList before = screen.DisplayLines();
    const bool phase = screen.BlinkPhase();
    Ticks(1);
    EXPECT_NE(screen.BlinkPhase(), phase);
    Ticks(1);
    EXPECT_EQ(screen.BlinkPhase(), phase);
    EXPECT_EQ(screen.DisplayLines(), before);
    EXPECT_EQ(animator.CurrentLine(), 0);
    EXPECT_EQ(ended, 0);

    // without a linked script a tick does nothing at all
    screen.SetLCDAnimator(nullptr);
    Ticks(1);
    EXPECT_EQ(screen.BlinkPhase(), phase);
    EXPECT_EQ(executed.size(), 2u);
}

TEST_F(Marquee, ScriptSetsIntensityAndDelayFromItsArguments)
{
    screen.SetPixelOn(clAqua);
    screen.SetPixelOff(clBlack);
    animator.Code = {"[setintensity(64); animationdelay(100);]", "[setintensity(200);animationdelay(-1);]"};
    Ticks(1);
    EXPECT_EQ(screen.Intensity(), 64);
    EXPECT_EQ(screen.LitColor(), (TColor{0, 127, 127}));
    EXPECT_EQ(screen.AnimationDelay(), 100u);
    Ticks(1);
    EXPECT_EQ(screen.Intensity(), -56);  // taken as a signed byte
    EXPECT_EQ(screen.AnimationDelay(), 4294967295u);
}

TEST_F(Marquee, LineIndexOutsideTheScriptRunsNothing)
{
    animator.Code = {"[horzscroll(-1);]", "[horzscroll(-1);]", "[horzscroll(-1);]"};
    animator.SetCurrentLine(7);
    EXPECT_EQ(animator.CurrentLine(), 2);
    animator.SetCurrentLine(3);  // the number of lines is accepted
    EXPECT_EQ(animator.CurrentLine(), 3);
    screen.SetLines({"abc"});
    const StringList before = screen.DisplayLines();
    Ticks(1);
    EXPECT_EQ(screen.DisplayLines(), before);
    EXPECT_EQ(animator.CurrentLine(), 2);

    // a script shortened under a running display
    animator.SetCurrentLine(2);
    animator.Code = {"[horzscroll(-1);]"};
    Ticks(1);
    EXPECT_EQ(animator.CurrentLine(), 0);

    // gotoline(-1) starts the script again at its first line
    animator.Code = {"[horzscroll(0);]", "[gotoline(-1);]"};
    animator.SetCurrentLine(0);
    executed.clear();
    Ticks(3);
    EXPECT_EQ(executed, (std::vector<int>{0, -1, 0}));
}

TEST_F(Marquee, InfoPanelOnRevealsTheTextInOneTickPerCell)
{
    screen.SetNoOfChars(4);
    screen.SetNoOfLines(2);
    screen.SetLines({"abcd"});
    animator.Code = {"[horzscroll(-1); infopanelon(0);]", "[horzscroll(-1);]"};
    const bool phase = screen.BlinkPhase();
    Ticks(1);  // scrolls, then the wipe's first step runs at once
    EXPECT_EQ(screen.DisplayLines(), (StringList{" cda", ""}));
    EXPECT_EQ(screen.InfoPos(), 2);
    EXPECT_EQ(animator.CurrentLine(), 1);
    Ticks(1);
    EXPECT_EQ(screen.DisplayLines(), (StringList{"a da", ""}));
    Ticks(3);  // the wipe is NoOfChars + 1 steps long
    EXPECT_EQ(screen.DisplayLines(), (StringList{"abcd", ""}));  // empty line never written
    EXPECT_EQ(screen.InfoPos(), 0);
    EXPECT_EQ(animator.CurrentLine(), 1);  // the script waited
    EXPECT_EQ(screen.BlinkPhase(), !phase);
    Ticks(1);
    EXPECT_EQ(screen.DisplayLines()[0], "bcda");
    EXPECT_EQ(animator.CurrentLine(), 0);
}

TEST_F(Marquee, InfoPanelOffLightsEveryCell)
{
    screen.SetNoOfChars(4);
    screen.SetLines({"abcd"});
    animator.Code = {"[infopaneloff(0);]"};
    Ticks(5);
    EXPECT_EQ(screen.InfoPos(), 0);
    EXPECT_EQ(Shown(screen), std::string(4, char(255)));
}

TEST_F(Marquee, RelinkingAScriptCancelsARunningWipeAndDestroyingItUnlinks)
{
    screen.SetLines({"abcd"});
    animator.Code = {"[infopanelon(0);]"};
    Ticks(1);
    ASSERT_EQ(screen.InfoPos(), 2);
    {
        TLCDAnimator other;
        other.Code = {"[horzscroll(-1);]"};
        screen.SetLCDAnimator(&other);
        EXPECT_EQ(screen.InfoPos(), 0);
        Ticks(1);
        EXPECT_EQ(other.CurrentLine(), 0);
    }
    EXPECT_EQ(screen.LCDAnimator(), nullptr);
    Ticks(1);  // nothing linked: nothing happens, nothing breaks
}
