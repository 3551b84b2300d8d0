#pragma once
// TVemPOP: the POP3 client that downloads whole messages (with progress reports) for viewing,
// and deletes the messages that rules chose. Every exchange is strictly one command line out
// and one reply back over a TClientSocket, whose waits keep the window live; the GUI also gets
// a turn before every command and between received chunks.
//
// Refusals run the error path: the connection is closed without QUIT (so a server that keeps
// to RFC 1939 carries out none of this connection's deletions), Connected goes false and
// OnError reports a code with the last reply text:
//   2001 USER or PASS refused      2003 DELE refused     2004 RETR or TOP refused
//   2006 STAT or UIDL refused      2007 the server closed the connection (no reply, or a
//                                       message cut off before its end)
// Socket failures report their errno (a silent server: 110, "Connection timed out").
#include "retrieval/ScktComp.h"
#include "retrieval/VemMsg.h"
#include "platform/Security.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class TVemPOP;

using TComponentEvent = std::function<void(TComponent* Sender)>;
using TOnError = std::function<void(TComponent* Sender, int Error, const std::string& Msg)>;
using TOnBeforeRetrieve = std::function<void(TVemPOP* Sender, int MsgIndex)>;
// Percentages are not cut to 16 bits: with the size 100 of a refused LIST they count bytes.
using TOnCodeProgressEvent = std::function<void(TVemPOP* Sender, unsigned Percent)>;
using TOnDeleteEvent = std::function<void(TVemPOP* Sender, int MsgIndex)>;
using TToFromSocketEvent = std::function<void(TVemPOP* Sender, const std::string& s)>;

class TVemPOP : public TComponent {
public:
    static constexpr int kErrLogin = 2001;
    static constexpr int kErrDelete = 2003;
    static constexpr int kErrRetrieve = 2004;
    static constexpr int kErrStatus = 2006;
    static constexpr int kErrConnectionClosed = 2007;
    // How much of a single-line reply is joined up when it arrives in pieces.
    static constexpr size_t kMaxReplyLine = 64 * 1024;

    TVemPOP();
    ~TVemPOP() override;
    TVemPOP(const TVemPOP&) = delete;
    TVemPOP& operator=(const TVemPOP&) = delete;

    std::string UserId;
    std::string UserPasswd;
    std::string Port = "110";  // converted when connecting; 110 when it is no number
    std::string Host;          // name, or dotted IPv4 address
    std::string StrErrorInFormatOfMsg = "Error en el formato del mensaje.";
    uint16_t RetrieveProgressStep = 10;
    bool GetUIDLsOnRetrieve = false;
    int TimeOut = TClientSocket::kDefaultTimeOut;  // milliseconds per wait
    // Bytes asked for per receive while a message streams in; replies are read 1024 at a time.
    int RetrieveChunkSize = 1024;
    platform::SecurityMode Security = platform::SecurityMode::None;
    std::string CertificatePin;  // fingerprint of a certificate the user chose to trust anyway

    TComponentEvent OnConnect;     // Sender: the socket
    TComponentEvent OnDisconnect;  // Sender: the socket; also after a failed connect
    TOnError OnError;           // Sender: this client for refusals, the socket for socket failures
    TOnBeforeRetrieve OnBeforeRetrieve;
    TComponentEvent OnAfterRetrieve;  // Sender: this client
    TOnCodeProgressEvent OnRetrieveProgress;
    TOnDeleteEvent OnDelete;
    TSocketNotifyEvent OnLookup;
    TSocketNotifyEvent OnConnecting;
    TToFromSocketEvent OnSendTextToSocket;       // every command, CR LF included
    TToFromSocketEvent OnReceiveTextFromSocket;  // every chunk read

    bool Connected() const { return connected_; }
    bool LastCmdFailed() const { return lastCmdFailed_; }
    const std::string& ReplyStatus() const { return replyStatus_; }
    const std::string& ReplyText() const { return replyText_; }
    int MessageCount() const { return messageCount_; }
    int NewMessageCount() const { return newMessageCount_; }
    bool LastSupported() const { return lastSupported_; }
    TClientSocket& Socket() { return socket_; }
    // Why the last Connect failed, when it was for want of a secure connection: the server's
    // certificate was not trusted, or it refused STLS (then nothing was sent after STLS).
    const std::optional<tls::CertificateProblem>& RefusedCertificate() const { return refusedCertificate_; }
    bool SecureConnectionRefused() const { return secureRefused_; }
    // "TLS 1.3" while connected securely; empty on plain text.
    std::string SecurityDescription() const { return socket_.SecurityDescription(); }

    // Opens the connection and reads the greeting. Failures (lookup, connect, time-out, a
    // silent greeting) only set LastCmdFailed and leave the connection closed; a refusing
    // greeting sets it too.
    //
    // Every operation that Abort (the user's Stop) interrupts raises ESocketAborted, with the
    // connection closed and nothing reported through OnError.
    void Connect();
    // USER and PASS; False after a refusal (error path 2001).
    bool Login();
    // STAT (error path 2006 when refused), then LAST (a refusal only clears LastSupported).
    void GetStatus();
    // DELE; a refusal runs the error path (2003) and leaves LastCmdFailed set.
    void DeleteMessage(int MsgIndex);
    // LIST n, then RETR n (or TOP n 0), streamed into a work file and parsed into Msg.
    // False after any failure, the error path having run (a silent or vanished server too).
    bool Retrieve(int MsgIndex, bool HeadersOnly, TVemMsg& Msg);
    bool RetrieveMessage(int MsgIndex, TVemMsg& Msg) { return Retrieve(MsgIndex, false, Msg); }
    // UIDL n; the unique id alone, empty after a refusal (error path 2006).
    std::string GetUIDL(int MsgIndex);
    // QUIT and close. True when the server confirmed the QUIT (only then are this connection's
    // deletions carried out); nothing happens when not connected.
    bool Disconnect();
    // Ends the operation in progress and closes at once, without QUIT: the server deletes
    // nothing of this connection.
    void Abort();

    void SendCommand(const std::string& Text);
    // One reply: a single receive of at most 1024 bytes, continued up to the first CR LF when
    // a reply line arrives in pieces (at most kMaxReplyLine).
    std::string ReadReply();

private:
    // The GUI's turn; Stop pressed meanwhile ends the operation.
    void Pump();
    void SocketConnected();
    void SocketDisconnected();
    void SocketError(int& ErrorCode);
    void RaiseError(TComponent* Sender, int Code);
    // True when the last reply refused the command or the connection was lost; runs the
    // error path with `code` for a refusal.
    bool Refused(int code);
    void RequireConnected(const char* message) const;
    void SetReply(const std::string& chunk);
    void ServerClosed(const char* text);
    void SecureAfterGreeting();
    bool StreamMessage(TFileStream& work, int64_t messageSize, std::string first);

    TClientSocket socket_;
    bool connected_ = false;
    bool lastCmdFailed_ = false;
    bool aborted_ = false;
    bool quiet_ = false;  // errors are not reported through OnError (while connecting, quitting)
    std::string replyStatus_;
    std::string replyText_;
    std::optional<tls::CertificateProblem> refusedCertificate_;
    bool secureRefused_ = false;
    int messageCount_ = 0;
    int newMessageCount_ = 0;
    bool lastSupported_ = false;
};
