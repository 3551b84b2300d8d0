#include "fuzz/ScriptedTransport.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace fuzzing {
namespace {

platform::IoResult Status(platform::IoStatus status) { return {status, 0, 0, {}}; }

platform::IoResult Failure(int error, const char* message) { return {platform::IoStatus::Failed, 0, error, message}; }

}  // namespace

ScriptedTransport::ScriptedTransport(int descriptor, ServerScript& script)
    : fd_(descriptor), script_(script), connection_(script.sent.size())
{
    script_.sent.emplace_back();
}

bool IsScriptMark(unsigned char c)
{
    return (c >= kChunkEnd && c <= kStopPressed) || (c >= kSendPartly && c <= kSendFails);
}

std::size_t ScriptedTransport::CopyText(char* out, std::size_t capacity)
{
    std::size_t n = 0;
    while (n < capacity && !script_.AtEnd() && !IsScriptMark(static_cast<unsigned char>(script_.bytes[script_.at])))
        out[n++] = script_.bytes[script_.at++];
    return n;
}

platform::IoResult ScriptedTransport::Receive(void* buffer, std::size_t capacity)
{
    if (capacity == 0) return Status(platform::IoStatus::Done);
    if (ended_) return Status(platform::IoStatus::Closed);
    for (;;) {
        std::size_t n = CopyText(static_cast<char*>(buffer), capacity);
        if (n > 0) {
            if (!script_.AtEnd() && static_cast<unsigned char>(script_.bytes[script_.at]) == kChunkEnd) ++script_.at;
            return {platform::IoStatus::Done, n, 0, {}};
        }
        if (script_.AtEnd()) {
            ended_ = true;
            return Status(platform::IoStatus::Closed);
        }
        switch (static_cast<unsigned char>(script_.bytes[script_.at++])) {
        case kWantRead:
            return Status(platform::IoStatus::WantRead);
        case kWantWrite:
            return Status(platform::IoStatus::WantWrite);
        case kStopPressed:
            script_.stopPressed = true;
            return Status(platform::IoStatus::WantRead);
        case kStreamEnd:
            ended_ = true;
            return Status(platform::IoStatus::Closed);
        case kReset:
            ended_ = broken_ = true;
            return Failure(ECONNRESET, "Connection reset by peer");
        case kBroken:
            ended_ = broken_ = true;
            return Failure(0, "The secure connection broke");
        default:
            break;  // an empty chunk, or a mark meant for a send: nothing to receive
        }
    }
}

platform::IoResult ScriptedTransport::Send(const void* data, std::size_t length)
{
    if (broken_) return Failure(EPIPE, "Broken pipe");
    if (length == 0) return Status(platform::IoStatus::Done);
    std::size_t taken = length;
    if (!script_.AtEnd()) {
        switch (static_cast<unsigned char>(script_.bytes[script_.at])) {
        case kSendPartly:
            ++script_.at;
            taken = std::max<std::size_t>(1, length / 2);
            break;
        case kSendBlocked:
            ++script_.at;
            return Status(platform::IoStatus::WantWrite);
        case kSendFails:
            ++script_.at;
            ended_ = broken_ = true;
            return Failure(EPIPE, "Broken pipe");
        default:
            break;
        }
    }
    script_.sent[connection_].append(static_cast<const char*>(data), taken);
    return {platform::IoStatus::Done, taken, 0, {}};
}

}  // namespace fuzzing
