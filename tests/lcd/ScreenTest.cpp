// The drawn display: size, dot colours, cells, border, disabled look, dot shapes and the
// animation timer with its error report.
#include "lcd/Glyphs.h"
#include "lcd/LCDScreen.h"
#include "ScriptedBoxes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPalette>

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace lcd;

namespace {

QColor Q(TColor c) { return QColor(c.r, c.g, c.b); }

void MainWindowSettings(TLCDScreen& lcd)
{
    lcd.SetNoOfLines(1);
    lcd.SetNoOfChars(34);
    lcd.SetPixelOn(clAqua);
    lcd.SetPixelOff(clBlack);
    lcd.SetColor(clBlack);
    lcd.SetBorderColor(clBlack);
    lcd.SetAnimationRepeating(true);
    lcd.SetLines({"Quillbox"});
}

QImage Render(TLCDScreen& lcd) { return lcd.grab().toImage().convertToFormat(QImage::Format_RGB32); }

// Top-left pixel of dot (col, row) of cell `cell` on line `line`.
QPoint DotOrigin(const TLCDScreen& lcd, int cell, int col, int row, int line = 0)
{
    int x = lcd.BorderSpace() + 1 + cell * (lcd.CellWidth() + lcd.CharSpacing());
    int y = lcd.BorderSpace() + 1 + line * (lcd.CellHeight() + lcd.LineSpacing());
    return {x + col * (lcd.DotWidth() + lcd.PixelSpacing()), y + row * (lcd.DotHeight() + lcd.PixelSpacing())};
}

// The colour of a whole dot, or an invalid colour when its pixels differ.
QColor DotColor(const QImage& image, const TLCDScreen& lcd, int cell, int col, int row)
{
    QPoint o = DotOrigin(lcd, cell, col, row);
    QColor first = image.pixelColor(o);
    for (int dy = 0; dy < lcd.DotHeight(); ++dy)
        for (int dx = 0; dx < lcd.DotWidth(); ++dx)
            if (image.pixelColor(o.x() + dx, o.y() + dy) != first) return QColor();
    return first;
}

// Runs the event loop until `done` or until `limitMs` have passed; tells whether `done` came true.
bool SpinUntil(const std::function<bool()>& done, int limitMs = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limitMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

struct Strip : ::testing::Test {
    QWidget panel;
    TLCDScreen* lcd = new TLCDScreen(&panel);
    void SetUp() override
    {
        panel.resize(532, 36);
        MainWindowSettings(*lcd);
    }
};

}  // namespace

TEST_F(Strip, MainWindowSizeGives34CellsAndWiderSnapsToTheGrid)
{
    panel.show();
    lcd->setGeometry(8, 4, panel.width() - 15, 28);
    EXPECT_EQ(lcd->size(), QSize(517, 28));
    EXPECT_EQ(lcd->NoOfChars(), 34);
    EXPECT_EQ(lcd->NoOfLines(), 1);

    panel.resize(700, 36);
    lcd->setGeometry(8, 4, panel.width() - 15, 28);
    EXPECT_EQ(lcd->NoOfChars(), 45);
    EXPECT_EQ(lcd->size(), QSize(44 + 6 + 45 * 14 + 2, 28));
    EXPECT_EQ(lcd->pos(), QPoint(8, 4));

    // a setting that changes the grid changes the size with it
    lcd->SetNoOfChars(10);
    EXPECT_EQ(lcd->size(), QSize(157, 28));
}

TEST_F(Strip, HiddenDisplayFitsItsSizeWhenDrawn)
{
    lcd->resize(600, 28);
    QImage image = Render(*lcd);
    EXPECT_EQ(image.size(), QSize(592, 28));
    EXPECT_EQ(lcd->NoOfChars(), 39);
}

TEST_F(Strip, LitDotsFollowTheIntensity)
{
    lcd->SetLines({"A"});
    const uint8_t* a = GlyphDots(mat5x7, 'A');
    ASSERT_TRUE(a[1]) << "the top row of A is lit in its middle";
    ASSERT_FALSE(a[0]);
    struct Case {
        int intensity;
        QColor lit;
    };
    for (Case c : {Case{127, QColor(0, 252, 252)}, Case{0, QColor(0, 255, 255)}, Case{64, QColor(0, 127, 127)}}) {
        lcd->SetIntensity(c.intensity);
        QImage image = Render(*lcd);
        EXPECT_EQ(DotColor(image, *lcd, 0, 1, 0), c.lit) << c.intensity;
        EXPECT_EQ(DotColor(image, *lcd, 0, 0, 0), QColor(0, 0, 0)) << c.intensity;
    }
}

TEST_F(Strip, SpaceIsAllUnlitAndCode255AllLit)
{
    lcd->SetColor({10, 20, 30});
    lcd->SetPixelOff({40, 40, 40});
    lcd->SetLines({std::string(" ") + char(255)});
    QImage image = Render(*lcd);
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 5; ++c) {
            EXPECT_EQ(DotColor(image, *lcd, 0, c, r), Q(lcd->UnlitColor())) << c << "," << r;
            EXPECT_EQ(DotColor(image, *lcd, 1, c, r), Q(lcd->LitColor())) << c << "," << r;
        }
    // the gaps between dots and between cells show the background
    QPoint gap = DotOrigin(*lcd, 1, 0, 0) + QPoint(2, 0);
    EXPECT_EQ(image.pixelColor(gap), QColor(10, 20, 30));
    EXPECT_EQ(image.pixelColor(DotOrigin(*lcd, 1, 0, 0) - QPoint(1, 0)), QColor(10, 20, 30));
}

TEST_F(Strip, InverseStretchShowsDarkDotsOnLitCellsAndTakesNoCells)
{
    const std::string text = std::string("AB") + char(10) + "CD" + char(11) + "EF";
    for (bool inverseOn : {true, false}) {
        lcd->SetSpecialEffects(inverseOn ? TSpecialEffects{spInverse} : TSpecialEffects{});
        lcd->SetLines({text});
        QImage image = Render(*lcd);
        const std::string shown = "ABCDEF ";
        for (int cell = 0; cell < int(shown.size()); ++cell) {
            const uint8_t* glyph = GlyphDots(mat5x7, uint8_t(shown[size_t(cell)]));
            const bool inverse = inverseOn && (cell == 2 || cell == 3);
            for (int r = 0; r < 7; ++r)
                for (int c = 0; c < 5; ++c) {
                    bool lit = (glyph && glyph[r * 5 + c]) != inverse;
                    EXPECT_EQ(DotColor(image, *lcd, cell, c, r), lit ? QColor(0, 252, 252) : QColor(0, 0, 0))
                        << "cell " << cell << " dot " << c << "," << r << " inverse effect " << inverseOn;
                }
        }
    }
}

TEST_F(Strip, CodesWithoutAShapeDrawAsBlankCells)
{
    lcd->SetColor({10, 20, 30});
    lcd->SetDotMatrix(mat7x9);
    lcd->SetLines({std::string(" ") + char(5) + char(200) + char(31)});
    QImage image = Render(*lcd);
    const int w = lcd->CellWidth(), h = lcd->CellHeight();
    QImage blank = image.copy(QRect(DotOrigin(*lcd, 0, 0, 0), QSize(w, h)));
    for (int cell = 1; cell <= 3; ++cell)
        EXPECT_EQ(image.copy(QRect(DotOrigin(*lcd, cell, 0, 0), QSize(w, h))), blank) << cell;
}

TEST_F(Strip, DisabledDisplayShowsBackgroundAndBorderOnly)
{
    lcd->SetColor({10, 20, 30});
    lcd->SetLines({std::string(40, char(255))});
    lcd->setEnabled(false);
    QImage image = Render(*lcd);
    for (int y = 1; y < image.height() - 1; ++y)
        for (int x = 1; x < image.width() - 1; ++x)
            ASSERT_EQ(image.pixelColor(x, y), QColor(10, 20, 30)) << x << "," << y;
    EXPECT_NE(image.pixelColor(0, 0), QColor(10, 20, 30));
}

TEST_F(Strip, BorderStyles)
{
    lcd->SetColor({10, 20, 30});
    const int w = lcd->width(), h = lcd->height();
    auto edges = [&](const QImage& image) {
        // right, bottom, top, left (away from the two corners the lines share)
        return std::vector<QRgb>{image.pixel(w - 1, h / 2), image.pixel(w / 2, h - 1), image.pixel(w / 2, 0),
                                 image.pixel(0, h / 2)};
    };
    const QRgb dark = lcd->palette().color(QPalette::Dark).rgb(), light = lcd->palette().color(QPalette::Light).rgb();
    ASSERT_NE(dark, light);
    EXPECT_EQ(edges(Render(*lcd)), (std::vector<QRgb>{light, light, dark, dark}));  // lowered
    lcd->SetBorderStyle(bsRaised);
    EXPECT_EQ(edges(Render(*lcd)), (std::vector<QRgb>{dark, dark, light, light}));
    lcd->SetBorderStyle(bsSingle);
    lcd->SetBorderColor({200, 0, 0});
    EXPECT_EQ(edges(Render(*lcd)), std::vector<QRgb>(4, qRgb(200, 0, 0)));
    lcd->SetBorderStyle(bsNone);
    EXPECT_EQ(edges(Render(*lcd)), std::vector<QRgb>(4, qRgb(10, 20, 30)));
}

TEST_F(Strip, DotShapes)
{
    lcd->SetColor({10, 20, 30});
    lcd->SetPixelOff({40, 40, 40});
    lcd->SetPixelWidth(8);
    lcd->SetPixelHeight(8);
    lcd->SetLines({std::string(1, char(255)) + " !"});
    const QColor background(10, 20, 30);
    auto corner = [&](const QImage& image, int cell, int col, int row) { return image.pixelColor(DotOrigin(*lcd, cell, col, row)); };
    auto centre = [&](const QImage& image, int cell, int col, int row) {
        return image.pixelColor(DotOrigin(*lcd, cell, col, row) + QPoint(4, 4));
    };

    QImage square = Render(*lcd);
    EXPECT_EQ(corner(square, 0, 0, 0), Q(lcd->LitColor()));
    EXPECT_EQ(corner(square, 1, 0, 0), Q(lcd->UnlitColor()));

    lcd->SetPixelShape(psRound);  // every dot an ellipse
    QImage round = Render(*lcd);
    EXPECT_EQ(corner(round, 0, 0, 0), background);
    EXPECT_EQ(centre(round, 0, 0, 0), Q(lcd->LitColor()));
    EXPECT_EQ(corner(round, 1, 0, 0), background);
    EXPECT_EQ(centre(round, 1, 0, 0), Q(lcd->UnlitColor()));

    lcd->SetPixelShape(psShaped);  // square unlit dots, round lit glyph dots
    QImage shaped = Render(*lcd);
    EXPECT_EQ(corner(shaped, 1, 0, 0), Q(lcd->UnlitColor()));
    ASSERT_TRUE(GlyphDots(mat5x7, '!')[2]);
    EXPECT_EQ(centre(shaped, 2, 2, 0), Q(lcd->LitColor()));
    EXPECT_EQ(corner(shaped, 2, 2, 0), Q(lcd->UnlitColor()));  // the square unlit dot beneath

    // a dot of one pixel is that pixel, whatever its shape
    lcd->SetPixelWidth(1);
    lcd->SetPixelHeight(1);
    QImage tiny = Render(*lcd);
    EXPECT_EQ(corner(tiny, 0, 0, 0), Q(lcd->LitColor()));
    EXPECT_EQ(corner(tiny, 1, 0, 0), Q(lcd->UnlitColor()));
    EXPECT_EQ(corner(tiny, 2, 2, 0), Q(lcd->LitColor()));
}

TEST_F(Strip, GlyphSitsWholeInsideDotBorders)
{
    lcd->SetDotMatrixBorders({mbTop, mbLeft});
    lcd->SetLines({"!"});
    EXPECT_EQ(lcd->DotCols(), 6);
    EXPECT_EQ(lcd->DotRows(), 8);
    QImage image = Render(*lcd);
    const QColor lit(0, 252, 252), unlit(0, 0, 0);
    const uint8_t* glyph = GlyphDots(mat5x7, '!');
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 6; ++c) {
            bool on = r >= 1 && c >= 1 && glyph[(r - 1) * 5 + (c - 1)];
            EXPECT_EQ(DotColor(image, *lcd, 0, c, r), on ? lit : unlit) << c << "," << r;
        }
}

TEST_F(Strip, TimerRunsWhileAnimationIsEnabled)
{
    EXPECT_FALSE(lcd->TimerActive());
    lcd->SetAnimationEnabled(true);
    EXPECT_TRUE(lcd->TimerActive());
    EXPECT_EQ(lcd->TimerInterval(), 250);
    lcd->SetAnimationDelay(0);  // a timer's shortest period
    EXPECT_EQ(lcd->TimerInterval(), 10);
    lcd->SetAnimationDelay(4294967295u);
    EXPECT_EQ(lcd->TimerInterval(), 2147483647);
    lcd->SetAnimationEnabled(false);
    EXPECT_FALSE(lcd->TimerActive());

    TLCDAnimator script;
    script.Code = {"[HorzScroll(-1); ]"};
    int ticks = 0;
    script.OnLineExecuted = [&](TLCDAnimator&, int) { ++ticks; };
    lcd->SetLCDAnimator(&script);
    lcd->SetAnimationDelay(10);
    lcd->SetAnimationEnabled(true);
    ASSERT_TRUE(SpinUntil([&] { return ticks >= 3; }));
    lcd->SetAnimationEnabled(false);
    std::string expected = "Quillbox" + std::string(26, ' ');
    std::rotate(expected.begin(), expected.begin() + ticks, expected.end());
    EXPECT_EQ(lcd->DisplayLines()[0], expected);
}

TEST_F(Strip, ScriptErrorStopsTheAnimationAfterOneReport)
{
    ScriptedBoxes boxes;
    TLCDAnimator script;
    script.Code = {"[resetdisplay;]"};
    lcd->SetLCDAnimator(&script);
    lcd->SetAnimationDelay(10);
    lcd->SetAnimationEnabled(true);
    ASSERT_TRUE(SpinUntil([&] { return !boxes.Shown().empty(); }));
    EXPECT_FALSE(lcd->AnimationEnabled());
    EXPECT_FALSE(lcd->TimerActive());
    // ten more timer periods bring no second box
    SpinUntil([] { return false; }, 100);
    ASSERT_EQ(boxes.Texts(), std::vector<std::string>{"'' is not a valid integer value"});
    EXPECT_EQ(boxes.Shown()[0].icon, platform::MsgIcon::Error);

    // switching the animation on again reports the same line again, once
    lcd->SetAnimationEnabled(true);
    ASSERT_TRUE(SpinUntil([&] { return boxes.Shown().size() == 2; }));
    EXPECT_FALSE(lcd->AnimationEnabled());
}
