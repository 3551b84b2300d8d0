#include "tls/TlsTransport.h"

#include "tls/SocketBio.h"
#include "tls/TlsErrors.h"

#include <cstring>
#include <openssl/err.h>
#include <openssl/ssl.h>

namespace tls {

using platform::IoResult;
using platform::IoStatus;

namespace {

const char* const OutOfMemory = "The secure connection could not be set up (out of memory).";

IoResult Moved(std::size_t bytes) { return {IoStatus::Done, bytes, 0, {}}; }
IoResult Status(IoStatus status) { return {status, 0, 0, {}}; }

// A caller's mistake, reported like any failure instead of letting OpenSSL handshake
// behind the engine's back.
IoResult NotOpenYet() { return {IoStatus::Failed, 0, 0, "The secure connection is not open yet."}; }

}  // namespace

TlsTransport::TlsTransport(int descriptor, TlsSettings settings) : fd_(descriptor)
{
    verification_.serverName = std::move(settings.host);
    verification_.pinnedSha256 = std::move(settings.pinnedSha256);
    ERR_clear_error();
    const std::string problem = Open();
    if (!problem.empty()) Break(problem);
    ERR_clear_error();
}

TlsTransport::~TlsTransport()
{
    if (ssl_) SSL_free(ssl_);  // frees the BIO too; the descriptor stays open
    else if (bio_) BIO_free(bio_);
    SSL_CTX_free(context_);
}

// A context of its own for each connection: the trusted authorities are read afresh, so an
// authority installed meanwhile counts from the next connection on.
std::string TlsTransport::Open()
{
    context_ = SSL_CTX_new(TLS_client_method());
    if (!context_) return OutOfMemory;
    SSL_CTX_set_min_proto_version(context_, TLS1_2_VERSION);
    // A renegotiation would make any call want the other direction for no gain.
    SSL_CTX_set_options(context_, SSL_OP_NO_RENEGOTIATION);
    // The engines repeat a Send from their own buffer, which may have moved since.
    SSL_CTX_set_mode(context_, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    if (!LoadTrustedAuthorities(context_)) return "The trusted certificate authorities of this computer could not be read.";

    bio_ = NewSocketBio(fd_);
    ssl_ = SSL_new(context_);
    if (!ssl_ || !bio_) return OutOfMemory;
    SSL_set_bio(ssl_, bio_, bio_);
    SSL_set_connect_state(ssl_);
    return InstallVerification(ssl_, &verification_);
}

IoResult TlsTransport::Break(std::string message, int error)
{
    phase_ = Phase::Broken;
    broken_ = {IoStatus::Failed, 0, error, std::move(message)};
    return broken_;
}

IoResult TlsTransport::Handshake()
{
    if (phase_ == Phase::Broken) return broken_;
    if (phase_ != Phase::Opening) return Status(IoStatus::Done);
    ERR_clear_error();
    const int returned = SSL_do_handshake(ssl_);
    if (returned == 1) {
        phase_ = Phase::Open;
        return Status(IoStatus::Done);
    }
    return Outcome(returned);
}

IoResult TlsTransport::Send(const void* data, std::size_t length)
{
    if (phase_ == Phase::Broken) return broken_;
    if (phase_ == Phase::Opening) return NotOpenYet();
    if (length == 0) return Moved(0);
    ERR_clear_error();
    std::size_t sent = 0;
    if (SSL_write_ex(ssl_, data, length, &sent) == 1) return Moved(sent);
    return Outcome(0);
}

IoResult TlsTransport::Receive(void* buffer, std::size_t capacity)
{
    if (phase_ == Phase::Broken) return broken_;
    if (phase_ == Phase::Opening) return NotOpenYet();
    if (phase_ == Phase::Ended) return Status(IoStatus::Closed);
    if (capacity == 0) return Moved(0);
    ERR_clear_error();
    std::size_t received = 0;
    if (SSL_read_ex(ssl_, buffer, capacity, &received) == 1) return Moved(received);
    return Outcome(0);
}

// What OpenSSL's verdict on the last call means; a TLS Send may have to read first (a
// handshake message from the server) and a Receive may have to write (a key update).
IoResult TlsTransport::Outcome(int returned)
{
    const bool handshaking = phase_ == Phase::Opening;
    switch (SSL_get_error(ssl_, returned)) {
    case SSL_ERROR_WANT_READ: return Status(IoStatus::WantRead);
    case SSL_ERROR_WANT_WRITE: return Status(IoStatus::WantWrite);
    case SSL_ERROR_ZERO_RETURN:
        ERR_clear_error();
        if (handshaking) return Break("The server ended the secure connection during the handshake.");
        phase_ = Phase::Ended;
        return Status(IoStatus::Closed);
    case SSL_ERROR_SYSCALL: {
        ERR_clear_error();
        const int e = SocketBioError(bio_);
        if (e) return Break(std::strerror(e), e);
        return Break(UnexpectedEndText(handshaking));
    }
    case SSL_ERROR_SSL:
        if (verification_.refused) {
            ERR_clear_error();
            return Break("The server's certificate is not trusted. " + verification_.refused->reasonText);
        }
        return Break(TakeTlsFailureText(handshaking));
    default: return Break(TakeTlsFailureText(handshaking));
    }
}

// A record is decrypted whole, so more of it may wait here after a short Receive. A record
// read but not yet opened counts as one byte: it too is there without waiting.
std::size_t TlsTransport::Buffered() const
{
    if (phase_ != Phase::Open) return 0;
    const int pending = SSL_pending(ssl_);
    if (pending > 0) return static_cast<std::size_t>(pending);
    return SSL_has_pending(ssl_) ? 1 : 0;
}

void TlsTransport::Shutdown()
{
    if ((phase_ != Phase::Open && phase_ != Phase::Ended) || shutdownSent_) return;
    shutdownSent_ = true;
    ERR_clear_error();
    // Sends close_notify if the socket takes it now; the server's answer is not waited for.
    SSL_shutdown(ssl_);
    ERR_clear_error();
}

std::string TlsTransport::Description() const
{
    if (phase_ != Phase::Open && phase_ != Phase::Ended) return {};
    std::string version = SSL_get_version(ssl_);  // "TLSv1.3"
    if (version.rfind("TLSv", 0) == 0) version = "TLS " + version.substr(4);
    return version;
}

}  // namespace tls
