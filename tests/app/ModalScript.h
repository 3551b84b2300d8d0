#pragma once
// Plays the user in the program's modal dialogs, one scripted step per dialog in the order they
// come up (a dialog opened from inside another takes the next step). A dialog nobody scripted
// fails the test and is cancelled.
#include "widgets/FileDialogs.h"
#include "widgets/Modal.h"

#include <QFileDialog>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>

class ModalScript {
public:
    using Step = std::function<int(QDialog&)>;
    ModalScript()
    {
        saved_ = widgets::SetModalHandler([this](QDialog& dialog) {
            if (steps_.empty()) {
                ADD_FAILURE() << "unscripted dialog: " << dialog.windowTitle().toStdString();
                return int(QDialog::Rejected);
            }
            Step step = std::move(steps_.front());
            steps_.pop_front();
            ++shown_;
            return step(dialog);
        });
    }
    ~ModalScript()
    {
        widgets::SetModalHandler(std::move(saved_));
        EXPECT_TRUE(steps_.empty()) << steps_.size() << " scripted dialog(s) never came up";
    }
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    void Then(Step step) { steps_.push_back(std::move(step)); }
    // The save dialog: checks the proposed name and answers with `path`.
    void SaveAs(const std::string& proposed, const std::string& path)
    {
        Then([proposed, path](QDialog& d) {
            auto& files = dynamic_cast<QFileDialog&>(d);
            EXPECT_EQ(files.selectedFiles().value(0).section('/', -1).toStdString(), proposed);
            files.selectFile(QString::fromStdString(path));
            return int(QDialog::Accepted);
        });
    }
    // The folder chooser, answered with `folder`.
    void ChooseFolder(const std::string& folder)
    {
        Then([folder](QDialog& d) {
            auto& chooser = dynamic_cast<widgets::TBrowseFolderDialog&>(d);
            chooser.SetFolder(folder);
            return int(QDialog::Accepted);
        });
    }
    int Shown() const { return shown_; }

private:
    std::deque<Step> steps_;
    widgets::ModalHandler saved_;
    int shown_ = 0;
};
