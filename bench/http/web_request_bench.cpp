// WebRequest posting a 4 KB form body against a keep-alive server on loopback, next to the two
// baselines of the same request in bare libcurl: a fresh handle per call (the floor of the
// one-handle-per-call model) and one reused handle (connection kept alive).
#include <arpa/inet.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "http/web_request.h"

namespace {

// Answers every request with a small 200, keeping the connection open.
class KeepAliveServer {
public:
    KeepAliveServer() {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_, 512) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            std::abort();
        }
        port_ = ntohs(address.sin_port);
        acceptor_ = std::thread([this] { Accept(); });
    }

    ~KeepAliveServer() {
        stopping_ = true;
        acceptor_.join();
        std::unique_lock lock(mutex_);
        for (int s : sockets_) ::shutdown(s, SHUT_RDWR);
        idle_.wait(lock, [this] { return sockets_.empty(); });
        ::close(listener_);
    }

    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/api.php"; }

private:
    void Accept() {
        while (!stopping_) {
            pollfd p{listener_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            const int s = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (s < 0) continue;
            std::lock_guard lock(mutex_);
            sockets_.insert(s);
            // Each connection closes and forgets itself, so a benchmark that opens thousands
            // runs out of neither descriptors nor threads.
            std::thread([this, s] { Serve(s); }).detach();
        }
    }

    void Serve(int s) {
        static const std::string kAnswer = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
        std::string buffer;
        char chunk[16384];
        for (;;) {
            const std::size_t end = buffer.find("\r\n\r\n");
            if (end != std::string::npos) {
                std::size_t body = 0;
                const std::size_t at = buffer.find("Content-Length: ");
                if (at != std::string::npos && at < end) body = std::strtoul(buffer.c_str() + at + 16, nullptr, 10);
                if (buffer.size() >= end + 4 + body) {
                    buffer.erase(0, end + 4 + body);
                    if (::send(s, kAnswer.data(), kAnswer.size(), MSG_NOSIGNAL) <= 0) break;
                    continue;
                }
            }
            const ssize_t n = ::recv(s, chunk, sizeof chunk, 0);
            if (n <= 0) break;
            buffer.append(chunk, static_cast<std::size_t>(n));
        }
        std::lock_guard lock(mutex_);
        ::close(s);
        sockets_.erase(s);
        idle_.notify_all();
    }

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;
    std::mutex mutex_;
    std::condition_variable idle_;
    std::set<int> sockets_;  // connections being served
};

KeepAliveServer& Server() {
    static KeepAliveServer server;
    return server;
}

const std::string& FormBody() {
    static const std::string body = [] {
        std::string b = "user=api&str=";
        while (b.size() < 4096 - 38) b += "5Lit5paH";
        return b + "&sign=0123456789abcdef0123456789abcdef";
    }();
    return body;
}

size_t Discard(char*, size_t size, size_t count, void*) { return size * count; }

// The same request line, headers and body that WebRequest sends for the rewrite call.
curl_slist* CallSiteHeaders(const std::string& url) {
    curl_slist* list = nullptr;
    for (const std::string& line : {std::string("Accept: */*"), "Referer: " + url, std::string("Accept-Language: zh-cn"),
                                   std::string("Content-Type: application/x-www-form-urlencoded"),
                                   std::string("Expect:")}) {
        list = curl_slist_append(list, line.c_str());
    }
    return list;
}

void SetUpBare(CURL* easy, const std::string& url, curl_slist* headers) {
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)");
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(FormBody().size()));
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, FormBody().c_str());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, Discard);
}

void BM_WebRequestFormPost(benchmark::State& state) {
    const std::string url = Server().Url();
    for (auto _ : state) {
        const seo::Bytes body = seo::WebRequest(url, 1, FormBody());
        if (body.size() != 2) state.SkipWithError("no answer");
        benchmark::DoNotOptimize(body.data());
    }
}

void BM_CurlFreshHandle(benchmark::State& state) {
    const std::string url = Server().Url();
    curl_slist* headers = CallSiteHeaders(url);
    for (auto _ : state) {
        CURL* easy = curl_easy_init();
        SetUpBare(easy, url, headers);
        if (curl_easy_perform(easy) != CURLE_OK) state.SkipWithError("no answer");
        curl_easy_cleanup(easy);
    }
    curl_slist_free_all(headers);
}

void BM_CurlReusedHandle(benchmark::State& state) {
    const std::string url = Server().Url();
    curl_slist* headers = CallSiteHeaders(url);
    CURL* easy = curl_easy_init();
    SetUpBare(easy, url, headers);
    for (auto _ : state) {
        if (curl_easy_perform(easy) != CURLE_OK) state.SkipWithError("no answer");
    }
    curl_easy_cleanup(easy);
    curl_slist_free_all(headers);
}

BENCHMARK(BM_CurlFreshHandle)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_WebRequestFormPost)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_CurlReusedHandle)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    seo::WebRequest("http://127.0.0.1:1/");  // initialises libcurl and the share once, untimed
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
