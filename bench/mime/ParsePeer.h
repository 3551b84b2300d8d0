#pragma once
// A mail parser under measurement. Prepare gets the message's bytes and puts them into the form
// the parser takes (not measured); Parse parses them and decodes every part to memory, keeping
// the result, and says what it found.
#include <memory>
#include <string>

class ParsePeer {
public:
    virtual ~ParsePeer() = default;
    virtual std::string Name() const = 0;
    virtual void Prepare(const std::string& bytes) = 0;
    virtual std::string Parse() = 0;
};

// Quillbox's parser takes lines, as the POP3 client receives them. With `splitToo` the split of
// the bytes into lines is measured as well.
std::unique_ptr<ParsePeer> MakeQuillboxPeer(bool splitToo);

#ifdef QUILLBOX_BENCH_HAVE_GMIME
std::unique_ptr<ParsePeer> MakeGMimePeer();
#endif
