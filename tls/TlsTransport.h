#pragma once
// TLS, client side, on a TCP socket that is already connected and non-blocking: implicit TLS
// (POP3S, port 995) right after connect, or STLS after the server's "+OK" to that command.
// Like every transport it never waits; see platform/Transport.h.
//
//     tls::TlsTransport tls(fd, {host, storedPin});
//     Handshake() until Done or Failed, waiting on the descriptor as each result asks;
//     on Failed, RefusedCertificate() tells whether the certificate was the reason.
//
// TLS 1.2 is the oldest version accepted. The certificate check is described in
// Verification.h, the fingerprint form in Fingerprint.h.
//
// Ends of the stream: a server that ends the connection properly (TLS close_notify) makes
// Receive report Closed. One that just drops the TCP connection makes it report Failed with
// "The server closed the secure connection unexpectedly.": without close_notify the end
// cannot be told from a cut by a third party, so nothing received may be taken as complete.
//
// Send after WantRead or WantWrite must be called again with the same bytes (a longer buffer
// that begins with them is fine); part of them may be taken (Done with fewer `bytes`).
// Any call after Failed reports the same failure again.
#include "platform/Transport.h"
#include "tls/CertificateProblem.h"
#include "tls/Verification.h"

#include <optional>
#include <string>

struct bio_st;

namespace tls {

struct TlsSettings {
    std::string host;          // the server name or IP address as the user gave it
    std::string pinnedSha256;  // the certificate the user chose to trust anyway; empty for none
};

class TlsTransport : public platform::Transport {
public:
    // Takes over no ownership: the caller closes `descriptor` after this transport is gone.
    TlsTransport(int descriptor, TlsSettings settings);
    ~TlsTransport() override;
    TlsTransport(const TlsTransport&) = delete;
    TlsTransport& operator=(const TlsTransport&) = delete;

    int Descriptor() const override { return fd_; }
    platform::IoResult Handshake() override;
    platform::IoResult Send(const void* data, std::size_t length) override;
    platform::IoResult Receive(void* buffer, std::size_t capacity) override;
    std::size_t Buffered() const override;
    void Shutdown() override;
    std::string Description() const override;  // "TLS 1.3" once open, else empty

    // Set when the handshake failed because the server's certificate was not trusted.
    const std::optional<CertificateProblem>& RefusedCertificate() const { return verification_.refused; }
    // True when the certificate failed the check and was accepted by the pinned fingerprint.
    bool AcceptedByPin() const { return verification_.acceptedByPin; }

private:
    enum class Phase { Opening, Open, Ended, Broken };

    platform::IoResult Outcome(int returned);
    std::string Open();
    platform::IoResult Break(std::string message, int error = 0);

    int fd_;
    VerificationState verification_;
    ssl_ctx_st* context_ = nullptr;
    ssl_st* ssl_ = nullptr;
    bio_st* bio_ = nullptr;  // owned by ssl_
    Phase phase_ = Phase::Opening;
    platform::IoResult broken_;
    bool shutdownSent_ = false;
};

}  // namespace tls
