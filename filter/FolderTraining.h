#pragma once
// "Train from a folder...": learns every message of a Maildir folder (its cur/ and new/, or the
// message files of a plain folder) or of an mbox file as spam or as ham, from the header only.
// Each message is one training step; a message already trained so counts once.
#include "filter/SpamFilter.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>

struct TFolderTraining {
    TTrainAs as = TTrainAs::Spam;
    // Fired after each message (and once with done == 0 before the first) so the window can
    // show the progress and pump its messages.
    std::function<void(size_t done, size_t total)> OnProgress;
    // Set (from the window's Cancel) to stop after the message in hand.
    const std::atomic<bool>* cancel = nullptr;
    // The identity the message list uses for a header; when unassigned, the Message-ID field,
    // else the header itself.
    std::function<std::string(const std::string& header)> IdentityOf;
};

struct TFolderTrainingResult {
    size_t total = 0;     // messages found
    size_t done = 0;      // messages read (trained or already trained so)
    size_t trained = 0;   // of those, messages whose counts changed
    bool cancelled = false;
};

// Throws EFilterError when the folder or file cannot be read or a training step fails; the
// steps before stay trained.
TFolderTrainingResult TrainFromFolder(TSpamFilter& filter, const std::string& path, const TFolderTraining& how);

// The headers of the messages of an mbox text, in order ("From " lines separate them).
std::vector<std::string> MboxHeaders(std::string_view mbox);
