#pragma once
// The one path by which the program stops itself: a box that names the error, then exit code -1.
#include <cstddef>
#include <optional>

#include "text/types.h"

namespace seo {

struct FatalError {
    std::optional<int> code;  // shown as "错误代码：" when present
    Text message;             // shown as "错误信息：" when not empty
};

FatalError IndexAboveCountError();
FatalError IndexBelowOneError();
FatalError OutOfMemoryError(std::size_t requestedBytes);

// The text of the error box, code page 936, lines ended by CR LF.
Text FatalErrorText(const FatalError& error);

// Shows the error and ends the process. The default writes the box text to standard error.
// A handler may throw (tests do) or end the process itself; if it returns, the process ends with -1.
using FatalErrorHandler = void (*)(const FatalError& error);
FatalErrorHandler SetFatalErrorHandler(FatalErrorHandler handler);

[[noreturn]] void RaiseFatalError(const FatalError& error);

}  // namespace seo
