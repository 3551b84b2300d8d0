#pragma once
// "Train from a folder...": learns every message of a Maildir folder (its cur/ and new/, or the
// message files of a plain folder) or of an mbox file as spam or as ham, from the header only;
// neither is ever held whole in memory.
// Each message is one training step; a message already trained so counts once.
#include "filter/SpamFilter.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>

struct TTrainingProgress {
    size_t done = 0;    // messages read so far
    size_t total = 0;   // messages in a folder; 0 for an mbox file, counted only as it is read
    double share = 0;   // of the work done, 0 to 1 (of an mbox file: the share behind the messages read)
};

struct TFolderTraining {
    TTrainAs as = TTrainAs::Spam;
    // Fired after each message (and once with done == 0 before the first) so the window can
    // show the progress and pump its messages.
    std::function<void(const TTrainingProgress&)> OnProgress;
    // Set (from the window's Cancel) to stop after the message in hand.
    const std::atomic<bool>* cancel = nullptr;
    // The identity the message list uses for a header; when unassigned, the Message-ID field,
    // else the header itself.
    std::function<std::string(const std::string& header)> IdentityOf;
};

struct TFolderTrainingResult {
    size_t total = 0;     // messages found (in an mbox file left early: up to where it stopped)
    size_t done = 0;      // messages read (trained or already trained so)
    size_t trained = 0;   // of those, messages whose counts changed
    bool cancelled = false;
    bool counted = true;  // false: an mbox file left early, whose messages after it are not counted
};

// Throws EFilterError when the folder or file cannot be read or a training step fails; the
// steps before stay trained.
TFolderTrainingResult TrainFromFolder(TSpamFilter& filter, const std::string& path, const TFolderTraining& how);
