#include "Modal.h"

namespace widgets {
namespace {
ModalHandler& Handler()
{
    static ModalHandler handler;
    return handler;
}
}  // namespace

int ShowModal(QDialog& dialog)
{
    ModalHandler handler = Handler();
    if (!handler) return dialog.exec();
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    int result = handler(dialog);
    dialog.hide();
    return result;
}

ModalHandler SetModalHandler(ModalHandler handler)
{
    ModalHandler old = std::move(Handler());
    Handler() = std::move(handler);
    return old;
}

}  // namespace widgets
