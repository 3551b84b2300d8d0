#include "retrieval/VemAttFile.h"

#include "platform/Exception.h"
#include "platform/MessagePump.h"
#include "platform/TextFile.h"
#include "retrieval/VemMIME.h"
#include "retrieval/WorkFile.h"
#include "retrieval/vem_util.h"

TAttachedFile::TAttachedFile() : body_(std::make_unique<TMemoryStream>()) {}

TMemoryStream* TAttachedFile::Body()
{
    if (body_) body_->SetPosition(0);
    return body_.get();
}

void TAttachedFile::SaveToFile(const std::string& fileName)
{
    if (!body_) throw Exception("AttachedFile.Body = nil");
    body_->SaveToFile(fileName);
}

bool TAttachedFile::SaveToNewFile(const std::string& fileName)
{
    if (!body_) throw Exception("AttachedFile.Body = nil");
    return body_->SaveToNewFile(fileName);
}

namespace {

// Each writes the decoded bytes from the start of the work file and returns how many there are.
template <typename Lines>
int64_t Base64ToFile(const Lines& lines, TFileStream& work)
{
    work.SetPosition(0);
    TBase64DecodingStream decoder(work);
    for (const auto& line : lines) {
        decoder.Write(line.data(), int64_t(line.size()));
        platform::ProcessMessages();
    }
    decoder.Finish();
    if (decoder.TargetFailed()) throw EInOutError(decoder.TargetError());
    return work.Position();
}

// The lines of a uuencoded block that carry data: the first line is the "begin" line, the second
// is always decoded, "end" or "`" after it ends the data.
template <typename Lines, typename Action>
void ForEachUULine(const Lines& lines, Action action)
{
    for (size_t i = 1; i < lines.size(); ++i) {
        std::string_view line = lines[i];
        if (i > 1 && (line == "end" || line == "`")) break;
        action(line);
    }
}

template <typename Lines>
int64_t UUToFile(const Lines& lines, TFileStream& work)
{
    work.SetPosition(0);
    std::string bytes;
    ForEachUULine(lines, [&](std::string_view line) {
        bytes.clear();
        DecodeUULine(line, bytes);
        work.WriteText(bytes);
    });
    return work.Position();
}

}  // namespace

void TAttachedFile::LoadBody(TFileStream& work, int64_t length)
{
    std::string bytes(size_t(length), '\0');
    work.SetPosition(0);
    work.ReadBuffer(bytes.data(), length);
    SetBodyBytes(std::move(bytes));
}

void TAttachedFile::SetBodyBytes(std::string bytes)
{
    if (!body_) body_ = std::make_unique<TMemoryStream>();
    body_->Assign(std::move(bytes));
}

void TAttachedFile::DecodeBase64()
{
    WorkFile file("vem_b64d");
    TFileStream work(file.Path(), TFileMode::Create);
    LoadBody(work, Base64ToFile(EncodedLines, work));
}

void TAttachedFile::DecodeBase64(LineSpan lines)
{
    size_t characters = 0;
    for (std::string_view line : lines) characters += line.size();
    std::string bytes;
    bytes.reserve(characters / 4 * 3 + 2);
    Base64Decoder decoder;
    for (std::string_view line : lines) {
        decoder.Decode(line.data(), line.size(), bytes);
        platform::ProcessMessages();
    }
    decoder.Finish(bytes);
    SetBodyBytes(std::move(bytes));
}

void TAttachedFile::DecodeUU()
{
    WorkFile file("vem_uud");
    TFileStream work(file.Path(), TFileMode::Create);
    LoadBody(work, UUToFile(EncodedLines, work));
}

void TAttachedFile::DecodeUU(LineSpan lines)
{
    // A full line carries 45 bytes in 61 characters; a line cut short may carry more.
    size_t characters = 0;
    for (std::string_view line : lines) characters += line.size();
    std::string bytes;
    bytes.reserve(characters / 4 * 3);
    ForEachUULine(lines, [&](std::string_view line) { DecodeUULine(line, bytes); });
    SetBodyBytes(std::move(bytes));
}

void TAttachedFile::EncodeBase64()
{
    TFileStream source(PathName, TFileMode::OpenRead);
    WorkFile work("vem_b64e");
    {
        TFileStream file(work.Path(), TFileMode::Create);
        {
            TBase64EncodingStream encoder(file);
            char block[1024];
            for (;;) {
                platform::ProcessMessages();
                int64_t n = source.Read(block, sizeof block);
                if (n <= 0) break;
                encoder.Write(block, n);
            }
            if (encoder.TargetFailed()) throw EInOutError(encoder.TargetError());
        }
        file.Close();
    }
    EncodedLines = platform::ReadLines(work.Path());
    if (!body_) body_ = std::make_unique<TMemoryStream>();
    body_->LoadFromFile(PathName);
}

// ---------------------------------------------------------------------------------------------

TAttachedFile& TAttachedFiles::AddFile(const std::string& name)
{
    auto item = std::make_unique<TAttachedFile>();
    item->FileName = ExtractFileName(name);
    item->PathName = name;
    item->ContentType = GetMimeTypeOfFile(name);
    items_.push_back(std::move(item));
    return *items_.back();
}

void TAttachedFiles::Check(int index) const
{
    if (index < 0 || size_t(index) >= items_.size()) throw Exception("List index out of bounds (" + IntToStr(index) + ")");
}

TAttachedFile& TAttachedFiles::Items(int index)
{
    Check(index);
    return *items_[size_t(index)];
}

const TAttachedFile& TAttachedFiles::Items(int index) const
{
    Check(index);
    return *items_[size_t(index)];
}

void TAttachedFiles::Delete(int index)
{
    Check(index);
    items_.erase(items_.begin() + index);
}
