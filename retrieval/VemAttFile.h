#pragma once
// The attachments of a message: each holds its name, its encoded lines while it is decoded or
// encoded, the decoded bytes and its MIME type.
#include "platform/Strings.h"
#include "retrieval/Streams.h"
#include "retrieval/vem_util.h"

#include <memory>
#include <string>
#include <vector>

class TAttachedFile {
public:
    TAttachedFile();

    std::string FileName;       // without folder; used for the list and when saving
    std::string PathName;       // as given to AddFile
    StringList EncodedLines;    // base64 or uuencoded text
    std::string ContentType;

    // The decoded bytes, rewound to the start; null only after SetBody(nullptr).
    TMemoryStream* Body();
    void SetBody(std::unique_ptr<TMemoryStream> body) { body_ = std::move(body); }

    // Writes the whole body to the file (created or replaced).
    void SaveToFile(const std::string& fileName);
    // The same, but never over an existing file: false when the name is taken.
    bool SaveToNewFile(const std::string& fileName);
    // EncodedLines (base64) to Body, through a work file; the GUI runs between lines.
    void DecodeBase64();
    // EncodedLines (a uuencoded block whose first line is the "begin" line) to Body.
    void DecodeUU();
    // The same for lines held elsewhere (the parser's message lines), decoded straight into Body:
    // neither the lines nor the bytes are copied on the way, and no work file is needed.
    void DecodeBase64(LineSpan lines);
    void DecodeUU(LineSpan lines);
    // The file PathName to EncodedLines (base64, 76 characters a line) and Body.
    void EncodeBase64();

private:
    void LoadBody(TFileStream& work, int64_t length);
    void SetBodyBytes(std::string bytes);
    std::unique_ptr<TMemoryStream> body_;
};

class TAttachedFiles {
public:
    TAttachedFile& AddFile(const std::string& name);
    int Count() const { return int(items_.size()); }
    // An index outside 0 .. Count()-1 raises Exception "List index out of bounds (i)".
    TAttachedFile& Items(int index);
    const TAttachedFile& Items(int index) const;
    TAttachedFile& operator[](int index) { return Items(index); }
    void Delete(int index);
    void Clear() { items_.clear(); }

private:
    void Check(int index) const;
    std::vector<std::unique_ptr<TAttachedFile>> items_;
};
