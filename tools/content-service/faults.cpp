#include "faults.h"

#include "json_text.h"

#include <algorithm>
#include <memory>
#include <utility>

namespace seo::service {
namespace {

struct NamedMode {
    const char* name;
    FaultMode mode;
};

constexpr NamedMode kModes[] = {
    {"none", FaultMode::None},         {"close", FaultMode::Close},
    {"not-json", FaultMode::NotJson},  {"huge", FaultMode::Huge},
    {"endless-script", FaultMode::EndlessScript},
    {"empty", FaultMode::Empty},       {"nul-byte", FaultMode::NulByte},
    {"no-str", FaultMode::NoStr},      {"error-status", FaultMode::ErrorStatus},
    {"hang", FaultMode::Hang},
};

constexpr std::string_view kJson = "application/json; charset=utf-8";

void SendCutOff(std::string body, httplib::Response& res) {
    auto shared = std::make_shared<std::string>(std::move(body));
    const std::size_t length = shared->size();
    res.set_content_provider(length, std::string(kJson),
                             [shared](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                 const std::size_t half = shared->size() / 2;
                                 if (offset < half) sink.write(shared->data() + offset, half - offset);
                                 return false;  // ends the exchange with the body half sent
                             });
}

// A valid answer of exactly `size` bytes (or the smallest valid one), made as it is sent.
void SendHuge(std::size_t size, httplib::Response& res) {
    const std::string head = "{\"str\":\"";
    const std::string tail = "\",\"ck\":" + JsonString("原创度：0.00%（超长回答）") + "}";
    const std::string pattern = "这是一段用来测试超长回答的文字。";
    const std::size_t total = std::max(size, head.size() + tail.size());
    const std::size_t filler = total - head.size() - tail.size();
    const std::size_t whole = filler / pattern.size() * pattern.size();
    res.set_content_provider(
        total, std::string(kJson),
        [head, tail, pattern, total, filler, whole](std::size_t offset, std::size_t, httplib::DataSink& sink) {
            std::string chunk;
            const std::size_t end = std::min(total, offset + (64u << 10));
            chunk.reserve(end - offset);
            for (std::size_t at = offset; at < end;) {
                if (at < head.size()) {
                    chunk.push_back(head[at++]);
                } else if (at < head.size() + filler) {
                    const std::size_t j = at - head.size();
                    if (j < whole) {
                        const std::size_t from = j % pattern.size();
                        const std::size_t n = std::min({pattern.size() - from, whole - j, end - at});
                        chunk.append(pattern, from, n);
                        at += n;
                    } else {
                        chunk.push_back('.');
                        ++at;
                    }
                } else {
                    chunk.push_back(tail[at - head.size() - filler]);
                    ++at;
                }
            }
            return sink.write(chunk.data(), chunk.size());
        });
}

}  // namespace

std::optional<FaultMode> ParseFaultMode(std::string_view name) {
    for (const auto& m : kModes) {
        if (name == m.name) return m.mode;
    }
    return std::nullopt;
}

std::string FaultModeNames() {
    std::string names;
    for (const auto& m : kModes) {
        if (!names.empty()) names += ", ";
        names += m.name;
    }
    return names;
}

void SendAnswer(const Answer& answer, FaultMode mode, std::size_t hugeBytes, StopSignal& stop,
                httplib::Response& res) {
    res.status = answer.status;
    switch (mode) {
        case FaultMode::None:
            res.set_content(answer.body, answer.contentType.c_str());
            return;
        case FaultMode::Close:
            SendCutOff(answer.body, res);
            return;
        case FaultMode::NotJson:
            res.status = 502;
            res.set_content(
                "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>502 Bad Gateway</title></head>"
                "<body><h1>502 Bad Gateway</h1><p>服务暂时不可用，请稍后再试。</p></body></html>\n",
                "text/html; charset=utf-8");
            return;
        case FaultMode::Huge:
            res.status = 200;
            SendHuge(hugeBytes, res);
            return;
        case FaultMode::EndlessScript:
            res.status = 200;
            res.set_content("(function(){while(1){}})()", std::string(kJson).c_str());
            return;
        case FaultMode::Empty:
            res.status = 200;
            res.set_content("", std::string(kJson).c_str());
            return;
        case FaultMode::NulByte: {
            std::string body = answer.body;
            const std::size_t at = answer.rewritten ? body.find(",\"ck\":") : body.size() / 2;
            body.insert(std::min(at, body.size()), 1, '\0');
            res.set_content(body, answer.contentType.c_str());
            return;
        }
        case FaultMode::NoStr:
            res.set_content(answer.rewritten ? "{\"ck\":" + JsonString(answer.ck) + "}" : answer.body,
                            answer.contentType.c_str());
            return;
        case FaultMode::ErrorStatus:
            res.status = 500;
            res.set_content(answer.body, answer.contentType.c_str());
            return;
        case FaultMode::Hang:
            stop.WaitUntilRequested();
            res.status = 503;
            res.set_content("", std::string(kJson).c_str());
            return;
    }
}

}  // namespace seo::service
