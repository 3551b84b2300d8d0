#include "accounts/PasswordEdit.h"

#include <QLineEdit>
#include <QProxyStyle>

namespace accounts {
namespace {

class AsteriskStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter) return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

}  // namespace

void MakePasswordField(QLineEdit& edit)
{
    auto* style = new AsteriskStyle;
    style->setParent(&edit);  // a widget does not own the style it is given
    edit.setStyle(style);
    edit.setEchoMode(QLineEdit::Password);
}

}  // namespace accounts
