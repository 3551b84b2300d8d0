#include "filter/MboxReader.h"

#include "filter/FilterError.h"

#include <algorithm>

namespace {

constexpr size_t kReadBytes = 1 << 20;

}  // namespace

void TMboxSplitter::Feed(std::string_view bytes, std::deque<TMboxHeader>& out)
{
    const uint64_t start = fed_;
    size_t at = 0;
    while (at < bytes.size()) {
        size_t nl = bytes.find('\n', at);
        size_t end = nl == std::string_view::npos ? bytes.size() : nl;
        std::string_view piece = bytes.substr(at, end - at);
        for (size_t i = 0; i < piece.size() && lineBytes_ + i < sizeof lineStart_; ++i) lineStart_[lineBytes_ + i] = piece[i];
        lineBytes_ += piece.size();
        if (inHeader_ && header_.size() < kMaxHeaderBytes)
            header_.append(piece.substr(0, kMaxHeaderBytes - header_.size()));
        if (nl == std::string_view::npos) break;
        if (inHeader_ && header_.size() < kMaxHeaderBytes) header_.push_back('\n');
        fed_ = start + nl + 1;
        EndLine(out);
        at = nl + 1;
    }
    fed_ = start + bytes.size();
}

void TMboxSplitter::Complete(std::deque<TMboxHeader>& out)
{
    out.push_back({std::move(header_), fed_});
    header_.clear();
}

void TMboxSplitter::EndLine(std::deque<TMboxHeader>& out)
{
    const bool blank = lineBytes_ == 0 || (lineBytes_ == 1 && lineStart_[0] == '\r');
    const bool fromLine = lineBytes_ >= 5 && std::string_view(lineStart_, 5) == "From ";
    if (blankBefore_ && fromLine) {
        if (inHeader_) {
            header_.resize(std::min(header_.size(), lineStartInHeader_));
            Complete(out);
        }
        header_.clear();
        inHeader_ = true;
    } else if (inHeader_ && blank) {
        header_.resize(std::min(header_.size(), lineStartInHeader_));  // the blank line is not the header's
        Complete(out);
        inHeader_ = false;
    }
    blankBefore_ = blank;
    lineBytes_ = 0;
    lineStartInHeader_ = header_.size();
}

void TMboxSplitter::Finish(std::deque<TMboxHeader>& out)
{
    if (inHeader_) Complete(out);
    header_.clear();
    inHeader_ = false;
    blankBefore_ = true;
    lineBytes_ = lineStartInHeader_ = 0;
}

TMboxReader::TMboxReader(const std::string& path)
{
    try {
        file_.emplace(path);
        size_ = file_->Size();
    } catch (const std::exception& e) {
        throw EFilterError(e.what());  // the window shows the filter's failures alike
    }
}

TMboxReader::~TMboxReader() = default;

TMboxReader::TRead TMboxReader::Next(std::string& header)
{
    if (ready_.empty() && !ended_) {
        buffer_.resize(kReadBytes);
        size_t n = 0;
        try {
            n = file_->Read(buffer_.data(), buffer_.size());
        } catch (const std::exception& e) {
            throw EFilterError(e.what());
        }
        if (n == 0) {
            splitter_.Finish(ready_);
            ended_ = true;
        } else {
            read_ += n;
            splitter_.Feed(std::string_view(buffer_.data(), n), ready_);
        }
    }
    if (ready_.empty()) return ended_ ? TRead::End : TRead::Pending;
    header = std::move(ready_.front().text);
    given_ = ready_.front().end;
    ready_.pop_front();
    ++found_;
    return TRead::Header;
}

double TMboxReader::Share() const
{
    if (ended_ && ready_.empty()) return 1.0;
    const uint64_t behind = ready_.empty() ? read_ : given_;
    return size_ > 0 ? std::min(1.0, double(behind) / double(size_)) : 0.0;
}

std::vector<std::string> MboxHeaders(std::string_view mbox)
{
    TMboxSplitter splitter;
    std::deque<TMboxHeader> out;
    splitter.Feed(mbox, out);
    splitter.Finish(out);
    std::vector<std::string> headers;
    for (TMboxHeader& h : out) headers.push_back(std::move(h.text));
    return headers;
}
