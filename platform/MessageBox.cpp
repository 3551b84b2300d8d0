#include "MessageBox.h"

#include <cstdio>
#include <exception>

namespace platform {
namespace {
MessageBoxHandler& Handler()
{
    static MessageBoxHandler handler;
    return handler;
}
std::string& Title()
{
    static std::string title = "Quillbox";
    return title;
}
}  // namespace

MsgResult ShowMessageBox(const MessageBoxRequest& request)
{
    MessageBoxHandler handler = Handler();
    if (handler) return handler(request);
    // Headless and nobody installed a GUI: the text still reaches the user.
    std::fprintf(stderr, "%s: %s\n", request.caption.c_str(), request.text.c_str());
    return request.buttons == MsgButtons::OK ? MsgResult::OK : MsgResult::Cancel;
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler)
{
    MessageBoxHandler old = std::move(Handler());
    Handler() = std::move(handler);
    return old;
}

const std::string& ApplicationTitle() { return Title(); }
void SetApplicationTitle(std::string title) { Title() = std::move(title); }

void ShowErrorText(const std::string& text)
{
    ShowMessageBox({text, ApplicationTitle(), MsgIcon::Error, MsgButtons::OK, MsgResult::None});
}

void ShowException(const std::exception& e) { ShowErrorText(e.what()); }

void RunGuarded(const std::function<void()>& body) noexcept
{
    try {
        body();
    } catch (const std::exception& e) {
        try {
            ShowException(e);
        } catch (...) {
        }
    } catch (...) {
        try {
            ShowErrorText("Unknown error");
        } catch (...) {
        }
    }
}

}  // namespace platform
