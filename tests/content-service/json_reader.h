// A small strict JSON reader for checking the service's answers and request log.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace seo::service_test {

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    std::string text;  // a string's UTF-8, a number's literal, "true" or "false"
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members;

    const JsonValue* Member(std::string_view name) const;
};

// Nothing unless the whole text is one JSON value (blanks around it allowed).
std::optional<JsonValue> ParseJson(std::string_view text);

// A string of the request log, whose code points stand for bytes 0-255, as bytes.
std::optional<std::string> CodePointsToBytes(std::string_view utf8);

}  // namespace seo::service_test
