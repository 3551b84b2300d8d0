#pragma once
// Answers the program's message boxes in tests and records every one of them.
#include "platform/MessageBox.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

class ScriptedBoxes {
public:
    ScriptedBoxes();
    ~ScriptedBoxes();
    ScriptedBoxes(const ScriptedBoxes&) = delete;
    ScriptedBoxes& operator=(const ScriptedBoxes&) = delete;

    // The next box is answered with `result`. Boxes beyond the script are answered OK when
    // they only have an OK button; a question nobody scripted fails the test and answers No.
    void Answer(platform::MsgResult result);
    // Runs `action` while the next box is up (for example to check the state at that moment).
    void OnNext(std::function<void(const platform::MessageBoxRequest&)> action);

    const std::vector<platform::MessageBoxRequest>& Shown() const { return shown_; }
    std::vector<std::string> Texts() const;
    void Clear() { shown_.clear(); }

private:
    std::deque<platform::MsgResult> answers_;
    std::deque<std::function<void(const platform::MessageBoxRequest&)>> actions_;
    std::vector<platform::MessageBoxRequest> shown_;
    platform::MessageBoxHandler saved_;
};
