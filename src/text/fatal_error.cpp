#include "text/fatal_error.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "text/text_ops.h"

namespace seo {
namespace {

// Code page 936 texts of the error box.
constexpr char kRuntimeError[] = "\xD4\xCB\xD0\xD0\xCA\xB1\xB3\xF6\xB4\xED!";             // 运行时出错!
constexpr char kCodeLabel[] = "\xB4\xED\xCE\xF3\xB4\xFA\xC2\xEB\xA3\xBA";                  // 错误代码：
constexpr char kMessageLabel[] = "\xB4\xED\xCE\xF3\xD0\xC5\xCF\xA2\xA3\xBA";               // 错误信息：
// 数组成员引用下标超出定义范围
constexpr char kIndexAboveCount[] =
    "\xCA\xFD\xD7\xE9\xB3\xC9\xD4\xB1\xD2\xFD\xD3\xC3\xCF\xC2\xB1\xEA\xB3\xAC\xB3\xF6\xB6\xA8\xD2\xE5"
    "\xB7\xB6\xCE\xA7";
// 数组成员引用下标必须大于等于1
constexpr char kIndexBelowOne[] =
    "\xCA\xFD\xD7\xE9\xB3\xC9\xD4\xB1\xD2\xFD\xD3\xC3\xCF\xC2\xB1\xEA\xB1\xD8\xD0\xEB\xB4\xF3\xD3\xDA"
    "\xB5\xC8\xD3\xDA" "1";
constexpr char kAllocatePrefix[] = "\xB7\xD6\xC5\xE4 ";                                      // 分配
constexpr char kAllocateSuffix[] = " \xD7\xD6\xBD\xDA\xC4\xDA\xB4\xE6\xCA\xA7\xB0\xDC!";     // 字节内存失败!

void WriteToStandardError(const FatalError& error) {
    const Text text = FatalErrorText(error);
    // write(2) rather than stdio: the heap may be what failed.
    ssize_t ignored = ::write(STDERR_FILENO, text.data(), text.size());
    (void)ignored;
    std::_Exit(-1);
}

std::atomic<FatalErrorHandler> currentHandler{&WriteToStandardError};

}  // namespace

FatalError IndexAboveCountError() { return {1, kIndexAboveCount}; }
FatalError IndexBelowOneError() { return {4, kIndexBelowOne}; }

FatalError OutOfMemoryError(std::size_t requestedBytes) {
    // The "%d" of the message: the size as a 32-bit signed number.
    const auto asInt = static_cast<std::int32_t>(static_cast<std::uint32_t>(requestedBytes));
    return {std::nullopt, Text(kAllocatePrefix) + NumberToText(static_cast<std::int64_t>(asInt)) + kAllocateSuffix};
}

Text FatalErrorText(const FatalError& error) {
    Text text = Text(kRuntimeError) + "\r\n\r\n";
    if (error.code) text += Text(kCodeLabel) + NumberToText(static_cast<std::int64_t>(*error.code)) + "\r\n\r\n";
    if (!error.message.empty()) text += Text(kMessageLabel) + error.message + "\r\n";
    return text;
}

FatalErrorHandler SetFatalErrorHandler(FatalErrorHandler handler) {
    return currentHandler.exchange(handler ? handler : &WriteToStandardError);
}

void RaiseFatalError(const FatalError& error) {
    currentHandler.load()(error);
    std::_Exit(-1);
}

}  // namespace seo
