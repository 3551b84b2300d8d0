#include "ScriptedBoxes.h"

#include <gtest/gtest.h>

using platform::MsgButtons;
using platform::MsgResult;

ScriptedBoxes::ScriptedBoxes()
{
    saved_ = platform::SetMessageBoxHandler([this](const platform::MessageBoxRequest& request) {
        shown_.push_back(request);
        if (!actions_.empty()) {
            auto action = std::move(actions_.front());
            actions_.pop_front();
            if (action) action(request);
        }
        if (!answers_.empty()) {
            MsgResult r = answers_.front();
            answers_.pop_front();
            return r;
        }
        if (request.buttons == MsgButtons::OK) return MsgResult::OK;
        ADD_FAILURE() << "unscripted question: " << request.text;
        return MsgResult::No;
    });
}

ScriptedBoxes::~ScriptedBoxes() { platform::SetMessageBoxHandler(std::move(saved_)); }

void ScriptedBoxes::Answer(MsgResult result) { answers_.push_back(result); }

void ScriptedBoxes::OnNext(std::function<void(const platform::MessageBoxRequest&)> action)
{
    actions_.push_back(std::move(action));
}

std::vector<std::string> ScriptedBoxes::Texts() const
{
    std::vector<std::string> texts;
    for (const auto& b : shown_) texts.push_back(b.text);
    return texts;
}
