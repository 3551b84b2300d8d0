#pragma once
// The message window: shows a downloaded message or a header source. Its content and the
// attachment commands come with the download and view commands.
#include <QDialog>

class TFrm_srcvu : public QDialog {
public:
    explicit TFrm_srcvu(QWidget* parent);
};
