// Fault modes: ways a broken service answers, for the client's failure tests.
#pragma once

#include "api_answers.h"
#include "stop_signal.h"

#include <httplib.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace seo::service {

enum class FaultMode {
    None,
    Close,          // headers and half of the body, then the connection closes
    NotJson,        // an HTML error page
    Huge,           // a valid answer of a set, very large size
    EndlessScript,  // script text that never ends when evaluated
    Empty,          // status 200 and no body
    NulByte,        // the answer with a NUL byte inside its JSON text
    NoStr,          // JSON without the `str` member
    ErrorStatus,    // the answer's JSON under status 500
    Hang,           // no answer until the service stops
};

std::optional<FaultMode> ParseFaultMode(std::string_view name);
std::string FaultModeNames();  // for the usage text

struct FaultSettings {
    FaultMode mode = FaultMode::None;
    std::size_t every = 1;                   // the fault hits every n-th API request
    std::size_t hugeBytes = 32u << 20;       // body size of the huge answer
};

// Puts `answer` into `res`, distorted as `mode` says.
void SendAnswer(const Answer& answer, FaultMode mode, std::size_t hugeBytes, StopSignal& stop,
                httplib::Response& res);

}  // namespace seo::service
