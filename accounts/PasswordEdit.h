#pragma once
// Password fields of the account dialogs show "*" for every character, whatever the style's
// own mask character is.
class QLineEdit;

namespace accounts {
void MakePasswordField(QLineEdit& edit);
}
