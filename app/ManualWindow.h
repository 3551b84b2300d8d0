#pragma once
// The manual in a window of the program's own, so Help works without a browser or a network.
#include <QDialog>

#include <string>

class QTextBrowser;

class TManualWindow : public QDialog {
public:
    explicit TManualWindow(QWidget* parent);

    // Shows the manual at `section` (an id of docs/manual.html; empty: the top), raised.
    void ShowSection(const std::string& manualPath, const std::string& section);

    QTextBrowser* Browser = nullptr;

private:
    void FollowLink(const QUrl& url);
};
