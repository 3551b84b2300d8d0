#pragma once
// Every message box of the program goes through this facade. The GUI installs the real
// implementation at start-up; tests install a scripted answerer that records each box.
#include <functional>
#include <string>
#include <utility>

namespace platform {

enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgButtons { OK, OKCancel, YesNo, YesNoCancel };
enum class MsgResult { None, OK, Cancel, Yes, No };
// Where the box stands: over the window that is active, or beside it, so that what the
// question is about (the listed messages) stays in sight.
enum class MsgPlacement { OverWindow, BesideWindow };

struct MessageBoxRequest {
    MessageBoxRequest() = default;
    MessageBoxRequest(std::string text, std::string caption, MsgIcon icon = MsgIcon::None,
                      MsgButtons buttons = MsgButtons::OK, MsgResult defaultButton = MsgResult::None)
        : text(std::move(text)), caption(std::move(caption)), icon(icon), buttons(buttons), defaultButton(defaultButton)
    {
    }

    std::string text;
    std::string caption;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::OK;
    MsgResult defaultButton = MsgResult::None;  // None: the toolkit's usual default
    std::string detail;                         // shown under the text, in smaller type
    MsgPlacement placement = MsgPlacement::OverWindow;
};

using MessageBoxHandler = std::function<MsgResult(const MessageBoxRequest&)>;

// Shows a modal box and gives the button pressed (Cancel or No when it was closed otherwise).
MsgResult ShowMessageBox(const MessageBoxRequest& request);
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// The application's title, used as the caption of the standard error report.
const std::string& ApplicationTitle();
void SetApplicationTitle(std::string title);

// The application's standard error report: a modal error box with the exception's text.
void ShowException(const std::exception& e);
void ShowErrorText(const std::string& text);

// Runs one event handler's body; no exception leaves it: each one goes to the standard
// error report, after which the program continues.
void RunGuarded(const std::function<void()>& body) noexcept;

}  // namespace platform
