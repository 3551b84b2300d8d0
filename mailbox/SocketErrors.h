#pragma once
// Socket error numbers and their texts. Users know the classic Winsock numbers and texts
// ("10061:Connection refused"), so the platform's errno values are translated to them.
#include <string>

namespace mailbox {

constexpr int kErrWouldBlock = 10035;
constexpr int kErrInProgress = 10036;
constexpr int kErrNotConnected = 10057;

// The socket error number for a POSIX errno value; an errno without a counterpart is
// returned unchanged, so its text becomes "Unknown Error No. " + errno.
int SocketErrorFromErrno(int errnoValue);

// The socket error number for a getaddrinfo() result (EAI_*); 0 for success.
int SocketErrorFromLookup(int gaiResult);

// "10054:Connection reset by peer"; "Unknown Error No. 12345" for a code missing from the
// table; empty text for code 0.
std::string SocketErrorText(int code);

}  // namespace mailbox
