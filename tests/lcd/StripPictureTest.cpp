// Renders the main window's status strip to a picture beside the test program, to be looked at
// by a person, and checks that it holds the aqua-on-black text.
#include "lcd/LCDScreen.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <string>

using namespace lcd;

TEST(StripPicture, MainWindowStripShowsAquaTextOnBlack)
{
    QWidget panel;
    panel.resize(532, 36);
    TLCDScreen lcd(&panel);
    lcd.SetNoOfChars(34);
    lcd.SetPixelOn(clAqua);
    lcd.SetPixelOff(clBlack);
    lcd.SetColor(clBlack);
    lcd.setGeometry(8, 4, panel.width() - 15, 28);

    const int scale = 3;
    QImage picture(lcd.width() * scale, lcd.height() * scale * 2, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    int row = 0;
    int aquaPixels = 0;
    for (const char* text : {"Quillbox", "Connected"}) {
        lcd.SetLines({text});
        QImage strip = lcd.grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(strip.size(), QSize(517, 28));
        for (int y = 0; y < strip.height(); ++y)
            for (int x = 0; x < strip.width(); ++x) aquaPixels += strip.pixelColor(x, y) == QColor(0, 252, 252);
        painter.drawImage(QRect(0, row * strip.height() * scale, strip.width() * scale, strip.height() * scale), strip);
        ++row;
    }
    painter.end();
    EXPECT_GT(aquaPixels, 0);
    const std::string path = std::string(LCD_PICTURE_DIR) + "/lcd_strip.png";
    EXPECT_TRUE(picture.save(QString::fromStdString(path))) << path;
}
