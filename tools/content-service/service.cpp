#include "service.h"

#include "api_answers.h"
#include "faults.h"
#include "growing_pool.h"
#include "json_text.h"
#include "pages.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <exception>
#include <string_view>
#include <thread>
#include <utility>

namespace seo::service {
namespace {

// The library takes a multipart body apart by itself and hides its bytes, but the
// service must read every body exactly as sent. So the Content-Type value is
// masked before routing and restored by each handler once the body is read. The request is the
// library's own non-const object, handed to the handlers as const.
constexpr std::string_view kMask = "\x7F" "masked\x7F";

void MaskContentType(const httplib::Request& req) {
    auto& headers = const_cast<httplib::Headers&>(req.headers);
    auto [first, last] = headers.equal_range("Content-Type");
    for (auto it = first; it != last; ++it) it->second.insert(0, kMask);
}

void RestoreContentType(const httplib::Request& req) {
    auto& headers = const_cast<httplib::Headers&>(req.headers);
    auto [first, last] = headers.equal_range("Content-Type");
    for (auto it = first; it != last; ++it) {
        if (std::string_view(it->second).starts_with(kMask)) it->second.erase(0, kMask.size());
    }
}

std::string ReadBody(const httplib::ContentReader& reader) {
    std::string body;
    reader([&body](const char* data, std::size_t length) {
        body.append(data, length);
        return true;
    });
    return body;
}

void Json(httplib::Response& res, int status, std::string_view code, std::string_view message) {
    res.status = status;
    res.set_content(ErrorAnswer(code, message), "application/json; charset=utf-8");
}

}  // namespace

ContentService::ContentService(ServiceOptions options) : options_(std::move(options)) {
    const std::size_t threads = options_.threads;
    server_.new_task_queue = [threads] { return new GrowingPool(threads); };
    server_.set_tcp_nodelay(true);
    server_.set_payload_max_length(std::size_t{256} << 20);
    server_.set_socket_options([this](int socket) {
        const int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        listeningSocket_ = socket;
    });
    Route();
}

void ContentService::Route() {
    server_.set_pre_routing_handler([](const httplib::Request& req, httplib::Response&) {
        MaskContentType(req);
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server_.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
        Json(res, 500, "internal_error", "服务内部错误");
    });

    server_.Post(".*", [this](const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader) {
        const std::string body = ReadBody(reader);
        RestoreContentType(req);
        log_.Record(req, body);
        if (req.path == "/api.php") {
            AnswerApi(req, res, body);
        } else {
            Json(res, 404, "not_found", "没有这个接口");
        }
    });
    auto refuse = [this](const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader) {
        const std::string body = ReadBody(reader);
        RestoreContentType(req);
        log_.Record(req, body);
        Json(res, 405, "method_not_allowed", "不支持这种请求方法");
    };
    server_.Put(".*", refuse);
    server_.Patch(".*", refuse);
    server_.Delete(".*", refuse);
    server_.Options(".*", [this](const httplib::Request& req, httplib::Response& res) {
        RestoreContentType(req);
        log_.Record(req, req.body);
        res.status = 204;
    });
    server_.Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
        RestoreContentType(req);
        log_.Record(req, req.body);
        if (req.path == "/api.php") {
            Json(res, 405, "method_not_allowed", "接口只接受 POST 请求");
        } else if (!AnswerPage(req.path, res)) {
            res.status = 404;
            res.set_content("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>404</title></head>"
                            "<body><p>页面不存在。</p></body></html>\n",
                            "text/html; charset=utf-8");
        }
    });
}

void ContentService::AnswerApi(const httplib::Request& req, httplib::Response& res, const std::string& body) {
    const std::size_t number = ++apiRequests_;
    if (options_.delayMs > 0) stop_.WaitFor(std::chrono::milliseconds(options_.delayMs));
    const Answer answer = AnswerApiRequest(req.get_header_value("Content-Type"), body);
    const FaultSettings& fault = options_.fault;
    const FaultMode mode = number % fault.every == 0 ? fault.mode : FaultMode::None;
    SendAnswer(answer, mode, fault.hugeBytes, stop_, res);
}

int ContentService::Bind(std::string& error) {
    if (!options_.requestLog.empty() && !log_.Open(options_.requestLog)) {
        error = "cannot open the request log " + options_.requestLog;
        return -1;
    }
    int port = options_.port;
    if (port == 0) {
        port = server_.bind_to_any_port("127.0.0.1");
    } else if (!server_.bind_to_port("127.0.0.1", port)) {
        port = -1;
    }
    if (port <= 0 || listeningSocket_ < 0) {
        error = "cannot listen on 127.0.0.1:" + std::to_string(options_.port);
        return -1;
    }
    // The library listens with a backlog of a few; listening again only enlarges it.
    if (::listen(listeningSocket_, options_.backlog) != 0) {
        error = "cannot set the listen backlog";
        return -1;
    }
    return port;
}

bool ContentService::Serve() { return server_.listen_after_bind(); }

void ContentService::Stop() {
    stop_.Request();
    server_.stop();
}

}  // namespace seo::service
