#include "msg_src.h"

TFrm_srcvu::TFrm_srcvu(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Source"));
    resize(442, 336);
}
