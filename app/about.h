#pragma once
// The About box: a borderless window with a picture that plays once, the version and a link.
#include <QDialog>

#include <functional>
#include <string>

class QLabel;
namespace widgets {
class AnimatedPicture;
}

class TAboutBox : public QDialog {
public:
    explicit TAboutBox(QWidget* parent);

    // The program's version as major.minor ("1.0"); empty when the program carries none.
    static std::string GetFileVer();

    // What the link label opens (the main window's ShowHome).
    std::function<void()> OnShowHome;

    widgets::AnimatedPicture* Image1 = nullptr;
    QLabel* version = nullptr;
    QLabel* secureLibrary = nullptr;
    QLabel* Label1 = nullptr;

    void Image1Click();
    void Label1Click();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};
