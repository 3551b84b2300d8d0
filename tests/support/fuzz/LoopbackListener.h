#pragma once
// A throwaway listener on 127.0.0.1, one per process, that the POP3 clients of a fuzz session
// really connect to; their bytes then travel through a scripted transport, never this socket.
//
// Each accepted server end sends one byte and then keeps still until it is closed. The byte
// is never read (the transport stands in for the socket), so the client's socket stays
// readable and each wait that the script asks for ends at once instead of at the time-out.
namespace fuzzing {

class LoopbackListener {
public:
    static LoopbackListener& Instance();

    int Port() const { return port_; }
    // The server end of the client socket `clientFd`, which has just connected; -1 when it
    // does not show up. Strays from earlier connections are closed on the way.
    int AcceptPeerOf(int clientFd);
    // Closes a server end with a reset, so neither side lingers in TIME_WAIT: a fuzz run
    // makes a million connections.
    static void CloseAbruptly(int serverFd);
    // Closes whatever connected but was never accepted.
    void DropPending();

private:
    LoopbackListener();

    int fd_ = -1;
    int port_ = 0;
};

}  // namespace fuzzing
