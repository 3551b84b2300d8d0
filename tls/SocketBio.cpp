#include "tls/SocketBio.h"

#include "platform/Transport.h"

#include <cerrno>
#include <new>
#include <openssl/bio.h>
#include <sys/socket.h>

namespace tls {
namespace {

struct SocketState {
    int descriptor = -1;
    int error = 0;
    bool ended = false;  // the peer closed its side: the next read would give 0 again
};

SocketState* StateOf(BIO* bio) { return static_cast<SocketState*>(BIO_get_data(bio)); }

bool MustWait(int e) { return e == EAGAIN || e == EWOULDBLOCK; }

int Write(BIO* bio, const char* data, int length)
{
    SocketState* state = StateOf(bio);
    BIO_clear_retry_flags(bio);
    state->error = 0;
    for (;;) {
        const ssize_t n = ::send(state->descriptor, data, static_cast<std::size_t>(length), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0) return static_cast<int>(n);
        const int e = errno;
        if (e == EINTR) continue;
        if (MustWait(e)) BIO_set_retry_write(bio);
        else state->error = e;
        return -1;
    }
}

int Read(BIO* bio, char* buffer, int capacity)
{
    SocketState* state = StateOf(bio);
    BIO_clear_retry_flags(bio);
    state->error = 0;
    platform::AcknowledgeAtOnce(state->descriptor);  // as on a plain connection
    for (;;) {
        const ssize_t n = ::recv(state->descriptor, buffer, static_cast<std::size_t>(capacity), MSG_DONTWAIT);
        if (n > 0) return static_cast<int>(n);
        if (n == 0) {
            state->ended = capacity > 0;
            return 0;
        }
        const int e = errno;
        if (e == EINTR) continue;
        if (MustWait(e)) BIO_set_retry_read(bio);
        else state->error = e;
        return -1;
    }
}

long Control(BIO* bio, int command, long, void*)
{
    switch (command) {
    case BIO_CTRL_FLUSH: return 1;  // nothing is held back: every write goes straight out
    // OpenSSL tells an end of stream without close_notify from a failed read by this.
    case BIO_CTRL_EOF: return StateOf(bio)->ended ? 1 : 0;
    default: return 0;
    }
}

int Create(BIO* bio)
{
    BIO_set_data(bio, nullptr);
    BIO_set_init(bio, 0);
    return 1;
}

int Destroy(BIO* bio)
{
    delete StateOf(bio);
    BIO_set_data(bio, nullptr);
    return 1;
}

// Made once and kept for the life of the process, as OpenSSL expects of a BIO_METHOD.
const BIO_METHOD* SocketMethod()
{
    static BIO_METHOD* method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK | BIO_TYPE_DESCRIPTOR,
                                     "quillbox socket");
        if (m && (!BIO_meth_set_write(m, Write) || !BIO_meth_set_read(m, Read) || !BIO_meth_set_ctrl(m, Control) ||
                  !BIO_meth_set_create(m, Create) || !BIO_meth_set_destroy(m, Destroy))) {
            BIO_meth_free(m);
            m = nullptr;
        }
        return m;
    }();
    return method;
}

}  // namespace

BIO* NewSocketBio(int descriptor)
{
    const BIO_METHOD* method = SocketMethod();
    if (!method) return nullptr;
    BIO* bio = BIO_new(method);
    if (!bio) return nullptr;
    auto* state = new (std::nothrow) SocketState;
    if (!state) {
        BIO_free(bio);
        return nullptr;
    }
    state->descriptor = descriptor;
    BIO_set_data(bio, state);
    BIO_set_init(bio, 1);
    return bio;
}

int SocketBioError(BIO* bio)
{
    const SocketState* state = StateOf(bio);
    return state ? state->error : 0;
}

}  // namespace tls
