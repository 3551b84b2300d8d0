// The display's properties: defaults, refused values, side effects, colours and geometry.
#include "lcd/LCDModel.h"
#include "ScriptedBoxes.h"

#include <gtest/gtest.h>

#include <string>

using namespace lcd;

namespace {

// Counts what the display would have to redraw.
class CountingModel : public TLCDModel {
public:
    int repaints = 0, cellBuilds = 0, timerChanges = 0;
    void Forget() { repaints = cellBuilds = timerChanges = 0; }

protected:
    void Repaint() override { ++repaints; }
    void CellImagesChanged() override
    {
        ++cellBuilds;
        TLCDModel::CellImagesChanged();
    }
    void AnimationTimerChanged() override { ++timerChanges; }
};

// The status strip's settings in the main window.
void MainWindowSettings(TLCDModel& m)
{
    m.SetNoOfLines(1);
    m.SetNoOfChars(34);
    m.SetPixelOn(clAqua);
    m.SetPixelOff(clBlack);
    m.SetColor(clBlack);
    m.SetAnimationRepeating(true);
    m.SetLines({"Quillbox"});
}

}  // namespace

TEST(LCDProperties, NewDisplayHasTheDefaults)
{
    TLCDModel m;
    EXPECT_TRUE(m.Lines().empty());
    EXPECT_EQ(m.DisplayLines(), StringList{""});
    EXPECT_EQ(m.NoOfLines(), 1);
    EXPECT_EQ(m.NoOfChars(), 10);
    EXPECT_EQ(m.DotMatrix(), mat5x7);
    EXPECT_TRUE(m.DotMatrixBorders().Empty());
    EXPECT_EQ(m.PixelSize(), pixCustom);
    EXPECT_EQ(m.PixelWidth(), 2);
    EXPECT_EQ(m.PixelHeight(), 2);
    EXPECT_EQ(m.PixelShape(), psSquare);
    EXPECT_EQ(m.PixelSpacing(), 1);
    EXPECT_EQ(m.CharSpacing(), 1);
    EXPECT_EQ(m.LineSpacing(), 1);
    EXPECT_EQ(m.BorderSpace(), 3);
    EXPECT_EQ(m.BorderStyle(), bsLowered);
    EXPECT_EQ(m.BorderColor(), clBlack);
    EXPECT_EQ(m.Color(), (TColor{192, 192, 192}));
    EXPECT_EQ(m.PixelOn(), clBlack);
    EXPECT_EQ(m.PixelOff(), (TColor{170, 170, 170}));
    EXPECT_EQ(m.Intensity(), 127);
    EXPECT_TRUE(m.SpecialEffects().Empty());
    EXPECT_EQ(m.HorzScrollMode(), smIndependant);
    EXPECT_EQ(m.LCDAnimator(), nullptr);
    EXPECT_EQ(m.AnimationDelay(), 250u);
    EXPECT_FALSE(m.AnimationEnabled());
    EXPECT_FALSE(m.AnimationRepeating());
    EXPECT_EQ(m.InfoPos(), 0);
    // black on grey: lit dots 170 - 170 * 2 / 128 away from the off colour, rounded
    EXPECT_EQ(m.LitColor(), (TColor{3, 3, 3}));
    EXPECT_EQ(m.UnlitColor(), (TColor{170, 170, 170}));
    // the size of its own ten-cell grid
    EXPECT_EQ(m.LastSize(), (TControlSize{157, 28}));
}

TEST(LCDProperties, RefusedValuesShowTheirBoxAndKeepTheOldValue)
{
    ScriptedBoxes boxes;
    CountingModel m;
    m.Forget();
    m.SetNoOfLines(0);
    m.SetNoOfChars(0);
    m.SetNoOfChars(-3);
    m.SetPixelWidth(0);
    m.SetPixelHeight(0);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{
                                 "Display needs at least one line!", "Display needs at least one character!",
                                 "Display needs at least one character!", "Display pixel width must be 1 or more!",
                                 "Display pixel height must be 1 or more!"}));
    for (const auto& box : boxes.Shown()) {
        EXPECT_EQ(box.icon, platform::MsgIcon::Error);
        EXPECT_EQ(box.buttons, platform::MsgButtons::OK);
    }
    EXPECT_EQ(m.NoOfLines(), 1);
    EXPECT_EQ(m.NoOfChars(), 10);
    EXPECT_EQ(m.PixelWidth(), 2);
    EXPECT_EQ(m.PixelHeight(), 2);
    EXPECT_EQ(m.repaints + m.cellBuilds, 0);

    // a fixed pixel size ignores the custom dot size, even a bad one
    boxes.Clear();
    m.SetPixelSize(pix4x4);
    m.SetPixelWidth(0);
    m.SetPixelHeight(9);
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(m.PixelWidth(), 4);
    EXPECT_EQ(m.PixelHeight(), 4);
    EXPECT_EQ(m.DotWidth(), 4);

    // byte-sized settings stop at 255
    m.SetNoOfChars(1000);
    EXPECT_EQ(m.NoOfChars(), 255);
    m.SetCharSpacing(-5);
    EXPECT_EQ(m.CharSpacing(), 0);
    m.SetIntensity(300);
    EXPECT_EQ(m.Intensity(), 127);
}

TEST(LCDProperties, UnchangedValuesDoNothing)
{
    ScriptedBoxes boxes;
    CountingModel m;
    m.Forget();
    m.SetNoOfLines(1);
    m.SetNoOfChars(10);
    m.SetDotMatrix(mat5x7);
    m.SetDotMatrixBorders({});
    m.SetPixelSize(pixCustom);
    m.SetPixelWidth(2);
    m.SetPixelHeight(2);
    m.SetPixelShape(psSquare);
    m.SetPixelSpacing(1);
    m.SetCharSpacing(1);
    m.SetLineSpacing(1);
    m.SetBorderSpace(3);
    m.SetBorderStyle(bsLowered);
    m.SetBorderColor(clBlack);
    m.SetColor(clSilver);
    m.SetPixelOn(clBlack);
    m.SetPixelOff({170, 170, 170});
    m.SetIntensity(127);
    m.SetSpecialEffects({});
    m.SetHorzScrollMode(smIndependant);
    m.SetAnimationDelay(250);
    m.SetAnimationEnabled(false);
    m.SetLCDAnimator(nullptr);
    EXPECT_EQ(m.repaints, 0);
    EXPECT_EQ(m.cellBuilds, 0);
    EXPECT_EQ(m.timerChanges, 0);
    EXPECT_TRUE(boxes.Shown().empty());

    // Lines is the exception: the same text resets the display again
    m.SetLines({});
    EXPECT_EQ(m.repaints, 1);
}

TEST(LCDProperties, EachSettingRedrawsWhatItChanges)
{
    CountingModel m;
    m.Forget();
    m.SetDotMatrix(mat7x9);
    EXPECT_EQ(m.cellBuilds, 1);
    EXPECT_EQ(m.DotCols(), 7);
    EXPECT_EQ(m.DotRows(), 9);
    m.SetDotMatrixBorders({mbLeft, mbRight, mbTop});
    EXPECT_EQ(m.DotCols(), 9);
    EXPECT_EQ(m.DotRows(), 10);
    m.Forget();
    m.SetPixelShape(psRound);
    EXPECT_EQ(m.cellBuilds, 1);
    EXPECT_EQ(m.repaints, 1);
    m.Forget();
    m.SetCharSpacing(2);
    m.SetBorderStyle(bsSingle);
    EXPECT_EQ(m.repaints, 2);
    EXPECT_EQ(m.cellBuilds, 0);

    // colour changes rebuild the cells; the repaint is left to a running animation
    m.Forget();
    m.SetColor(clBlack);
    m.SetIntensity(0);
    EXPECT_EQ(m.cellBuilds, 2);
    EXPECT_EQ(m.repaints, 2);
    m.SetAnimationEnabled(true);
    EXPECT_EQ(m.timerChanges, 1);
    m.Forget();
    m.SetPixelOn(clAqua);
    m.SetSpecialEffects({spInverse});
    EXPECT_EQ(m.cellBuilds, 2);
    EXPECT_EQ(m.repaints, 0);
}

TEST(LCDProperties, GridChangeRestartsARunningAnimationButKeepsAStillOne)
{
    TLCDModel m;
    TLCDAnimator script;
    script.Code = {"[horzscroll(-1);]"};
    m.SetLCDAnimator(&script);
    m.SetAnimationRepeating(true);
    m.SetAnimationEnabled(true);
    m.SetLines({"Quillbox"});
    m.TimerTick();
    m.SetNoOfChars(12);  // running: back to the unscrolled text
    EXPECT_EQ(m.DisplayLines(), StringList{"Quillbox    "});

    m.TimerTick();
    m.SetAnimationEnabled(false);
    m.SetNoOfChars(14);  // still: the shown text stays, padded to the wider grid
    EXPECT_EQ(m.DisplayLines(), StringList{"uillbox    Q  "});
    m.SetNoOfLines(2);
    EXPECT_EQ(m.DisplayLines(), (StringList{"uillbox    Q  ", ""}));

    m.SetHorzScrollMode(smDependant);  // always a reset
    EXPECT_EQ(m.DisplayLines(), (StringList{"Quillbox      ", ""}));
}

TEST(LCDColors, IntensityMovesLitDotsBetweenOffAndOn)
{
    TLCDModel m;
    MainWindowSettings(m);
    EXPECT_EQ(m.LitColor(), (TColor{0, 252, 252}));
    EXPECT_EQ(m.UnlitColor(), clBlack);
    m.SetIntensity(0);  // -255 * 129 / 128 rounds to -257, whose low byte is 255
    EXPECT_EQ(m.LitColor(), (TColor{0, 255, 255}));
    m.SetIntensity(64);
    EXPECT_EQ(m.LitColor(), (TColor{0, 127, 127}));
    m.SetIntensity(-127);  // negative: the roles swap
    EXPECT_EQ(m.LitColor(), clBlack);
    EXPECT_EQ(m.UnlitColor(), (TColor{0, 252, 252}));
    m.SetIntensity(-128);
    EXPECT_EQ(m.UnlitColor(), (TColor{0, 254, 254}));  // -255 / 128 rounds to -2

    // half steps round away from zero: 64 / 128 and 192 / 128
    m.SetPixelOn(clBlack);
    m.SetPixelOff({64, 192, 0});
    m.SetIntensity(-128);
    EXPECT_EQ(m.UnlitColor(), (TColor{1, 2, 0}));
}

TEST(LCDGeometry, MainWindowStripIs517By28With34Cells)
{
    TLCDModel m;
    MainWindowSettings(m);
    EXPECT_EQ(m.CellWidth(), 14);
    EXPECT_EQ(m.CellHeight(), 20);
    EXPECT_EQ(m.RecalcSize(517, 28), (TControlSize{517, 28}));
    EXPECT_EQ(m.NoOfChars(), 34);
    EXPECT_EQ(m.NoOfLines(), 1);

    // a wider request gives more cells and snaps to them; a still text is padded to them
    EXPECT_EQ(m.RecalcSize(600, 28), (TControlSize{592, 28}));
    EXPECT_EQ(m.NoOfChars(), 39);
    EXPECT_EQ(m.DisplayLines()[0].size(), 39u);
    // a taller one gives more lines; a tiny one keeps one cell
    EXPECT_EQ(m.RecalcSize(592, 50), (TControlSize{592, 49}));
    EXPECT_EQ(m.NoOfLines(), 2);
    EXPECT_EQ(m.RecalcSize(3, 3), (TControlSize{22, 28}));
    EXPECT_EQ(m.NoOfChars(), 1);
    // a huge one stops at 255 cells
    EXPECT_EQ(m.RecalcSize(10000, 28).width, 255 * 15 - 1 + 6 + 2);
    EXPECT_EQ(m.NoOfChars(), 255);
    // the size seen last derives nothing: a grid set since then wins
    TControlSize last = m.LastSize();
    m.SetNoOfChars(20);
    EXPECT_EQ(m.RecalcSize(last.width, last.height), (TControlSize{20 * 15 - 1 + 8, 28}));
    EXPECT_EQ(m.NoOfChars(), 20);
}

TEST(LCDGeometry, FixedPixelSizeAndBordersEnterTheCellSize)
{
    TLCDModel m;
    m.SetPixelSize(pix3x3);
    m.SetPixelSpacing(0);
    m.SetDotMatrix(mat9x12);
    m.SetDotMatrixBorders({mbBottom, mbLeft});
    EXPECT_EQ(m.CellWidth(), 10 * 3);
    EXPECT_EQ(m.CellHeight(), 13 * 3);
    EXPECT_EQ(m.LastSize(), (TControlSize{10 * 30 + 9 + 8, 39 + 8}));
}
