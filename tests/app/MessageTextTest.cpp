// A big text goes into the message window in pieces: all of it, in order, exactly once, and
// nothing of it after the window was given another text or closed.
#include "app/msg_src.h"

#include <QApplication>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

namespace {

QString BigText(const char* word, int lines)
{
    const QString face = QString::fromUtf8(" \xF0\x9F\x98\x80");  // two UTF-16 units
    QString text;
    for (int i = 0; i < lines; ++i) text += QString::fromLatin1(word) + QString::number(i) + face + u'\n';
    // A line longer than a piece: it is cut inside, never between the halves of a character.
    return text + face.repeated(100000) + QStringLiteral(" last line without its end");
}

void WaitForText(TFrm_srcvu& window)
{
    for (int turns = 0; window.TextPending() && turns < 100000; ++turns) QApplication::processEvents();
}

}  // namespace

TEST(MessageText, ABigTextArrivesWholeInPiecesAndAnotherReplacesItsRest)
{
    TFrm_srcvu window(nullptr);
    const QString big = BigText("line ", 60000);
    window.SetMemoText(big);
    ASSERT_TRUE(window.TextPending());  // the first screen is there, the rest still to come
    EXPECT_TRUE(big.startsWith(window.Memo1->toPlainText()));
    WaitForText(window);
    EXPECT_EQ(window.Memo1->toPlainText(), big);

    // A text set while the last one is still going in stands alone, big or small.
    window.SetMemoText(big);
    const QString other = BigText("other ", 30000);
    window.SetMemoText(other);
    WaitForText(window);
    EXPECT_EQ(window.Memo1->toPlainText(), other);
    window.SetMemoText(big);
    window.SetMemoText(QStringLiteral("small"));
    EXPECT_FALSE(window.TextPending());
    QApplication::processEvents();
    EXPECT_EQ(window.Memo1->toPlainText(), QStringLiteral("small"));

    // Text changed by another hand (the commands clear the window first) ends the pieces too.
    window.SetMemoText(big);
    window.Memo1->clear();
    WaitForText(window);
    EXPECT_EQ(window.Memo1->toPlainText(), QString());
}
