// Quillbox's parser: TVemMsg::SetRawMail, then every attachment body is looked at.
#include "ParsePeer.h"

#include "platform/TextFile.h"
#include "retrieval/VemMsg.h"

namespace {

class QuillboxPeer : public ParsePeer {
public:
    explicit QuillboxPeer(bool splitToo) : splitToo_(splitToo) {}

    std::string Name() const override { return splitToo_ ? "Quillbox, split too" : "Quillbox"; }

    void Prepare(const std::string& bytes) override
    {
        bytes_ = &bytes;
        if (!splitToo_) lines_ = platform::SplitLines(bytes);
    }

    std::string Parse() override
    {
        if (splitToo_) msg_.SetRawMail(platform::SplitLines(*bytes_));
        else msg_.SetRawMail(lines_);
        size_t decoded = 0;
        for (int i = 0; i < msg_.AttachedFiles.Count(); ++i) decoded += msg_.AttachedFiles.Items(i).Body()->Bytes().size();
        return std::to_string(msg_.Text.size()) + " text lines, " + std::to_string(msg_.AttachedFiles.Count()) +
               " attachments of " + std::to_string(decoded) + " bytes";
    }

private:
    bool splitToo_;
    const std::string* bytes_ = nullptr;
    StringList lines_;
    TVemMsg msg_;
};

}  // namespace

std::unique_ptr<ParsePeer> MakeQuillboxPeer(bool splitToo) { return std::make_unique<QuillboxPeer>(splitToo); }
