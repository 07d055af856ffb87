// The command line of content-service.
#pragma once

#include "faults.h"

#include <cstddef>
#include <string>

namespace seo::service {

struct ServiceOptions {
    int port = 8790;                 // 0 picks a free port
    long delayMs = 0;                // before each API answer
    FaultSettings fault;
    std::string requestLog;          // empty: no log
    std::size_t threads = 2048;      // most workers at once, one per open connection
    int backlog = 4096;              // connections waiting to be accepted
};

struct ParsedOptions {
    enum class Outcome { Run, Help, Error } outcome = Outcome::Run;
    ServiceOptions options;
    std::string error;
};

ParsedOptions ParseOptions(int argc, const char* const* argv);
std::string Usage();

}  // namespace seo::service
