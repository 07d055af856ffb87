// content-service: a local stand-in for the rewriting service.
#include "options.h"
#include "service.h"

#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <thread>

namespace {

// A thousand open connections need more descriptors than a default soft limit.
void RaiseOpenFileLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

}  // namespace

int main(int argc, char** argv) {
    using seo::service::ParsedOptions;
    const ParsedOptions parsed = seo::service::ParseOptions(argc, argv);
    if (parsed.outcome == ParsedOptions::Outcome::Help) {
        std::fputs(seo::service::Usage().c_str(), stdout);
        return 0;
    }
    if (parsed.outcome == ParsedOptions::Outcome::Error) {
        std::fprintf(stderr, "content-service: %s\n%s", parsed.error.c_str(), seo::service::Usage().c_str());
        return 2;
    }

    RaiseOpenFileLimit();
    signal(SIGPIPE, SIG_IGN);
    // Every thread inherits the mask; one thread takes the stop signals synchronously.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    seo::service::ContentService service(parsed.options);
    std::string error;
    const int port = service.Bind(error);
    if (port < 0) {
        std::fprintf(stderr, "content-service: %s\n", error.c_str());
        return 1;
    }

    std::thread signalWaiter([&service, &stopSignals] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        service.Stop();
    });

    std::printf("listening on 127.0.0.1:%d\n", port);
    std::fflush(stdout);
    const bool served = service.Serve();
    // Serving may also end without a signal; this one wakes the waiter then.
    kill(getpid(), SIGTERM);
    signalWaiter.join();
    return served ? 0 : 1;
}
