#pragma once
// Every modal window of the program is shown through here. Normally that is QDialog::exec();
// a test installs a handler that plays the user: the dialog is shown (so its show-time work runs),
// the handler fills fields and presses buttons, and its return value is the dialog's result.
#include <QDialog>

#include <functional>

namespace widgets {

using ModalHandler = std::function<int(QDialog& dialog)>;

int ShowModal(QDialog& dialog);
ModalHandler SetModalHandler(ModalHandler handler);

}  // namespace widgets
