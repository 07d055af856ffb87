#include "options.h"

#include <charconv>
#include <string_view>

namespace seo::service {
namespace {

template <class Number>
bool ParseNumber(std::string_view text, Number minimum, Number maximum, Number& out) {
    Number value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < minimum || value > maximum) return false;
    out = value;
    return true;
}

}  // namespace

std::string Usage() {
    return "usage: content-service [options]\n"
           "Plays the rewriting service on 127.0.0.1 for the demo and the tests.\n"
           "  --port N           port to listen on (default 8790; 0 picks a free one)\n"
           "  --delay-ms N       wait N ms before each answer of /api.php\n"
           "  --fault MODE       answer /api.php broken: " + FaultModeNames() + "\n"
           "  --fault-every N    only every N-th request of /api.php gets the fault (default 1)\n"
           "  --huge-bytes N     body size of the huge answer (default 33554432)\n"
           "  --request-log FILE append one JSON line per request received\n"
           "  --threads N        most worker threads, one per open connection (default 2048)\n"
           "  --backlog N        listen backlog (default 4096)\n"
           "  --help             this text\n"
           "Prints \"listening on 127.0.0.1:<port>\" once ready; SIGTERM or SIGINT stops it.\n";
}

ParsedOptions ParseOptions(int argc, const char* const* argv) {
    ParsedOptions parsed;
    auto fail = [&parsed](std::string message) {
        parsed.outcome = ParsedOptions::Outcome::Error;
        parsed.error = std::move(message);
        return parsed;
    };
    ServiceOptions& o = parsed.options;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            parsed.outcome = ParsedOptions::Outcome::Help;
            return parsed;
        }
        std::string_view value;
        const std::size_t eq = arg.find('=');
        if (arg.starts_with("--") && eq != std::string_view::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            return fail("missing value for " + std::string(arg));
        }
        bool ok = true;
        if (arg == "--port") {
            ok = ParseNumber(value, 0, 65535, o.port);
        } else if (arg == "--delay-ms") {
            ok = ParseNumber(value, 0L, 3600000L, o.delayMs);
        } else if (arg == "--fault") {
            const auto mode = ParseFaultMode(value);
            ok = mode.has_value();
            if (ok) o.fault.mode = *mode;
        } else if (arg == "--fault-every") {
            ok = ParseNumber(value, std::size_t{1}, std::size_t{1} << 40, o.fault.every);
        } else if (arg == "--huge-bytes") {
            ok = ParseNumber(value, std::size_t{0}, std::size_t{1} << 34, o.fault.hugeBytes);
        } else if (arg == "--request-log") {
            ok = !value.empty();
            o.requestLog = std::string(value);
        } else if (arg == "--threads") {
            ok = ParseNumber(value, std::size_t{1}, std::size_t{100000}, o.threads);
        } else if (arg == "--backlog") {
            ok = ParseNumber(value, 1, 65535, o.backlog);
        } else {
            return fail("unknown option " + std::string(arg));
        }
        if (!ok) return fail("bad value for " + std::string(arg) + ": " + std::string(value));
    }
    return parsed;
}

}  // namespace seo::service
