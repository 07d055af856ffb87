// The HTTP side: routes, the request log, the worker pool and the listening socket.
#pragma once

#include "options.h"
#include "request_log.h"
#include "stop_signal.h"

#include <httplib.h>

#include <atomic>
#include <cstddef>
#include <string>

namespace seo::service {

class ContentService {
public:
    explicit ContentService(ServiceOptions options);

    // Opens the request log and binds 127.0.0.1; the port bound, or -1 and `error`.
    int Bind(std::string& error);

    // Serves until Stop().
    bool Serve();

    // From any thread, more than once if need be.
    void Stop();

private:
    void Route();
    void AnswerApi(const httplib::Request& req, httplib::Response& res, const std::string& body);

    ServiceOptions options_;
    httplib::Server server_;
    RequestLog log_;
    StopSignal stop_;
    std::atomic<std::size_t> apiRequests_{0};
    int listeningSocket_ = -1;
};

}  // namespace seo::service
