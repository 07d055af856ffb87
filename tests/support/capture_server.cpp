#include "support/capture_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <stdexcept>

namespace seo::test {
namespace {

constexpr int kPollMs = 50;  // how often blocked loops look at the stop flag

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The Content-Length of a request head, 0 when there is none.
std::size_t ContentLength(const std::string& head) {
    const std::string lower = Lower(head);
    const std::size_t at = lower.find("\r\ncontent-length:");
    if (at == std::string::npos) return 0;
    return static_cast<std::size_t>(std::strtoull(head.c_str() + at + 17, nullptr, 10));
}

}  // namespace

CaptureServer::CaptureServer(std::string answer, CaptureOptions options)
    : responder_([answer = std::move(answer)](const std::string&, int) { return answer; }),
      options_(options) {
    Start();
}

CaptureServer::CaptureServer(Responder responder, CaptureOptions options)
    : responder_(std::move(responder)), options_(options) {
    Start();
}

void CaptureServer::Start() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0) throw std::runtime_error("capture server: socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 64) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(listener_);
        throw std::runtime_error("capture server: bind");
    }
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

CaptureServer::~CaptureServer() {
    stopping_ = true;
    acceptor_.join();
    std::vector<std::thread> workers;
    {
        std::lock_guard lock(mutex_);
        for (int s : sockets_) ::shutdown(s, SHUT_RDWR);
        workers.swap(workers_);
    }
    for (auto& worker : workers) worker.join();
    for (int s : sockets_) ::close(s);
    ::close(listener_);
}

std::string CaptureServer::Url(const std::string& path) const {
    return "http://" + Address() + path;
}

std::string CaptureServer::Address() const { return "127.0.0.1:" + std::to_string(port_); }

std::vector<std::string> CaptureServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void CaptureServer::AcceptLoop() {
    while (!stopping_) {
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, kPollMs) <= 0) continue;
        const int s = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (s < 0) continue;
        ++connections_;
        std::lock_guard lock(mutex_);
        sockets_.push_back(s);
        workers_.emplace_back([this, s] { Serve(s); });
    }
}

bool CaptureServer::ReadRequest(int socket, std::string& buffer, std::string& request) {
    char chunk[16384];
    for (;;) {
        const std::size_t headEnd = buffer.find("\r\n\r\n");
        if (headEnd != std::string::npos) {
            const std::size_t total = headEnd + 4 + ContentLength(buffer.substr(0, headEnd + 2));
            if (buffer.size() >= total) {
                request = buffer.substr(0, total);
                buffer.erase(0, total);
                return true;
            }
        }
        if (stopping_) return false;
        pollfd p{socket, POLLIN, 0};
        if (::poll(&p, 1, kPollMs) <= 0) continue;
        const ssize_t n = ::recv(socket, chunk, sizeof chunk, 0);
        if (n <= 0) return false;
        buffer.append(chunk, static_cast<std::size_t>(n));
    }
}

void CaptureServer::Answer(int socket, const std::string& answer) {
    std::size_t limit = answer.size();
    if (options_.cutAfter > 0) limit = std::min(limit, options_.cutAfter);
    if (options_.holdAfter > 0) limit = std::min(limit, options_.holdAfter);
    const std::size_t piece = options_.pieceSize > 0 ? options_.pieceSize : limit;
    for (std::size_t sent = 0; sent < limit && !stopping_;) {
        const std::size_t n = sent < options_.piecesFrom ? std::min(options_.piecesFrom, limit) - sent
                                                         : std::min(piece, limit - sent);
        const ssize_t written = ::send(socket, answer.data() + sent, n, MSG_NOSIGNAL);
        if (written <= 0) return;
        sent += static_cast<std::size_t>(written);
        if (options_.pieceDelayMs > 0 && sent < limit) {
            std::this_thread::sleep_for(std::chrono::milliseconds(options_.pieceDelayMs));
        }
    }
}

void CaptureServer::WaitForHangUp(int socket) {
    char chunk[4096];
    while (!stopping_) {
        pollfd p{socket, POLLIN, 0};
        if (::poll(&p, 1, kPollMs) <= 0) continue;
        if (::recv(socket, chunk, sizeof chunk, 0) <= 0) {
            if (!stopping_) ++hangUps_;
            return;
        }
    }
}

void CaptureServer::Reset(int socket) {
    // Closed here, not by the destructor, since only close() sends the reset; the descriptor
    // leaves the list first, under the lock the destructor takes.
    std::lock_guard lock(mutex_);
    sockets_.erase(std::remove(sockets_.begin(), sockets_.end(), socket), sockets_.end());
    const linger abort{1, 0};
    ::setsockopt(socket, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    ::close(socket);
}

void CaptureServer::Serve(int socket) {
    std::string buffer;
    std::string request;
    bool owed = false;  // a request is waiting for an answer that will not come
    while (ReadRequest(socket, buffer, request)) {
        int number = 0;
        {
            std::lock_guard lock(mutex_);
            number = static_cast<int>(requests_.size());
            requests_.push_back(request);
        }
        if (options_.silent) {
            owed = true;
            continue;
        }
        Answer(socket, responder_(request, number));
        if (options_.holdAfter > 0) {
            WaitForHangUp(socket);
            break;
        }
        if (options_.cutAfter > 0 && options_.resetAtCut) return Reset(socket);
        if (options_.cutAfter > 0 || options_.closeAfterAnswer) break;
    }
    if (owed && !stopping_) ++hangUps_;
    // Only shut down here: the descriptor is closed by the destructor, so its number cannot be
    // reused while the destructor still shuts sockets down.
    ::shutdown(socket, SHUT_RDWR);
}

std::string HttpAnswer(const std::string& status, const std::vector<std::string>& headers,
                       const std::string& body) {
    std::string answer = "HTTP/1.1 " + status + "\r\n";
    bool framed = false;
    for (const std::string& line : headers) {
        const std::string lower = Lower(line);
        if (lower.rfind("content-length:", 0) == 0 || lower.rfind("transfer-encoding:", 0) == 0) {
            framed = true;
        }
        answer += line + "\r\n";
    }
    if (!framed) answer += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    return answer + "\r\n" + body;
}

}  // namespace seo::test
