#pragma once
// A raw HTTP capture server for tests: listens on 127.0.0.1 on an ephemeral port, records the
// exact bytes of every request and answers canned bytes. It understands just enough HTTP to
// know where a request ends (the blank line, then Content-Length bytes), and serves each
// connection on its own thread, several requests per connection. Pointed at as a proxy it
// records the absolute-form request line a client sends to an http proxy.
#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace seo::test {

// How the server answers.
struct CaptureOptions {
    std::size_t pieceSize = 0;     // > 0: write the answer in pieces of this many bytes...
    int pieceDelayMs = 0;          // ...with this pause between them
    std::size_t cutAfter = 0;      // > 0: write only this many bytes of each answer, then close
    bool silent = false;           // read requests, never answer (until the server stops)
    bool closeAfterAnswer = false; // close each connection after one answer
    std::size_t piecesFrom = 0;    // > 0: this many bytes go at once before the pieces start
    std::size_t holdAfter = 0;     // > 0: write only this many bytes of each answer, then send
                                   // nothing more until the client hangs up
    bool resetAtCut = false;       // with cutAfter: end the connection with a reset, not a close
};

class CaptureServer {
public:
    // Builds the answer to the request with the given 0-based number (counted over all
    // connections) from its exact bytes.
    using Responder = std::function<std::string(const std::string& request, int number)>;

    explicit CaptureServer(std::string answer, CaptureOptions options = {});
    explicit CaptureServer(Responder responder, CaptureOptions options = {});
    ~CaptureServer();  // stops accepting, closes every connection, joins every thread
    CaptureServer(const CaptureServer&) = delete;
    CaptureServer& operator=(const CaptureServer&) = delete;

    int Port() const { return port_; }
    // "http://127.0.0.1:<port>" followed by `path`.
    std::string Url(const std::string& path = "/") const;
    // "127.0.0.1:<port>", the form a proxy setting takes.
    std::string Address() const;

    // The requests received so far, each exactly as it arrived, in order.
    std::vector<std::string> Requests() const;
    int ConnectionCount() const { return connections_.load(); }
    // How often the client closed a connection while the server still owed it an answer
    // (silent, or holding after part of one): the client gave up waiting.
    int ClientHangUps() const { return hangUps_.load(); }

private:
    void Start();
    void AcceptLoop();
    void Serve(int socket);
    bool ReadRequest(int socket, std::string& buffer, std::string& request);
    void Answer(int socket, const std::string& answer);
    void WaitForHangUp(int socket);
    void Reset(int socket);

    Responder responder_;
    CaptureOptions options_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    std::atomic<int> hangUps_{0};
    std::thread acceptor_;
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::vector<int> sockets_;
    std::vector<std::thread> workers_;
};

// An answer with the given status line tail, header lines (each without CR LF) and body; a
// Content-Length line is added unless `headers` already frames the body.
std::string HttpAnswer(const std::string& status, const std::vector<std::string>& headers,
                       const std::string& body);

}  // namespace seo::test
