#pragma once
// An OpenSSL BIO on a socket the caller owns. It sends with MSG_NOSIGNAL, so a peer that is
// gone yields EPIPE instead of a SIGPIPE that would end the whole program (OpenSSL's own
// socket BIO uses write(), and a library must not ignore SIGPIPE for the process). Every call
// is non-blocking, whatever mode the socket is in, and closing the BIO leaves the socket open.
#include <openssl/types.h>

namespace tls {

// A new BIO on `descriptor`, or nullptr when OpenSSL is out of memory.
BIO* NewSocketBio(int descriptor);

// The errno of the last read or write that failed for another reason than having to wait;
// 0 when the last one succeeded, had to wait, or met the end of the stream.
int SocketBioError(BIO* bio);

}  // namespace tls
