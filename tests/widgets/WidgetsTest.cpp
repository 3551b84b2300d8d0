#include "widgets/Artwork.h"
#include "widgets/Modal.h"
#include "widgets/QtText.h"

#include <QDialog>
#include <QShowEvent>

#include <gtest/gtest.h>

TEST(QtText, Utf8ShowsAsSuchAndOtherBytesOneCharacterEach)
{
    EXPECT_EQ(ToQ("Gr\xc3\xbc\xc3\x9f" "e"), QString::fromUtf8("Grüße"));
    // Not UTF-8 (a Latin-1 mail header, say): every byte stays visible as one character.
    QString latin = ToQ("J\xf6rg");
    EXPECT_EQ(latin.size(), 4);
    EXPECT_EQ(latin[1].unicode(), 0xf6);
    EXPECT_EQ(FromQ(QString::fromUtf8("Grüße")), "Gr\xc3\xbc\xc3\x9f" "e");
    EXPECT_EQ(FromQ(ToQ(std::string("a\0b", 3))), std::string("a\0b", 3));
    EXPECT_EQ(ToQ(""), QString());
}

namespace {
class CountingDialog : public QDialog {
public:
    int shown = 0;

protected:
    void showEvent(QShowEvent* event) override
    {
        ++shown;
        QDialog::showEvent(event);
    }
};
}  // namespace

TEST(Modal, AHandlerPlaysTheUserOnAShownDialogAndGivesItsResult)
{
    CountingDialog dialog;
    auto saved = widgets::SetModalHandler([&](QDialog& d) {
        EXPECT_TRUE(d.isVisible());
        d.accept();
        return d.result();
    });
    EXPECT_EQ(widgets::ShowModal(dialog), QDialog::Accepted);
    EXPECT_EQ(dialog.shown, 1);
    EXPECT_FALSE(dialog.isVisible());
    widgets::SetModalHandler([](QDialog&) { return int(QDialog::Rejected); });
    EXPECT_EQ(widgets::ShowModal(dialog), QDialog::Rejected);
    EXPECT_EQ(dialog.shown, 2);
    widgets::SetModalHandler(std::move(saved));
}

TEST(Artwork, EveryIconOfTheImageListIsDrawnAndDistinct)
{
    std::vector<QImage> images;
    for (int i = 0; i < widgets::kImageListCount; ++i) {
        QIcon icon = widgets::ImageListIcon(i);
        ASSERT_FALSE(icon.isNull()) << i;
        images.push_back(icon.pixmap(16).toImage());
    }
    for (size_t a = 0; a < images.size(); ++a)
        for (size_t b = a + 1; b < images.size(); ++b) EXPECT_NE(images[a], images[b]) << a << " and " << b;
    EXPECT_TRUE(widgets::ImageListIcon(15).isNull());
    EXPECT_FALSE(widgets::ApplicationIcon().isNull());
}
