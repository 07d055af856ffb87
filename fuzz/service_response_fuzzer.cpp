// The response path of both flows: answer bytes, cut at a NUL, converted and parsed into the
// document, then read as the flows and the document's enumeration read them. Whatever the
// bytes, the reads give texts and counts, and the next answer starts clean.
#include <cstdint>
#include <cstdlib>

#include "generation/service_exchange.h"
#include "json/json_document.h"
#include "text/text_array.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

// A short time per call keeps the fuzzer fast on answers that loop; the memory cap is the
// program's own.
seo::ScriptLimits FuzzLimits() {
    seo::ScriptLimits limits;
    limits.timePerCall = std::chrono::milliseconds(500);
    return limits;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const seo::Bytes answer(data, data + size);
    seo::JsonDocument document = seo::JsonDocument::Create(FuzzLimits());
    seo::ReadServiceResponse(answer, document);
    const seo::Text str = document.GetText("str");
    const seo::Text ck = document.GetText("ck");
    Check(str.find('\0') == seo::Text::npos && ck.find('\0') == seo::Text::npos);
    const int count = document.Count();
    seo::TextArray keys;
    const int keyCount = document.GetKeys(keys);
    Check(keyCount == keys.Count());
    (void)count;

    // Nothing of this answer reaches the next one.
    seo::ReadServiceResponse(seo::Bytes{'{', '"', 's', 't', 'r', '"', ':', '"', 'o', 'k', '"', '}'}, document);
    Check(document.GetText("str") == "ok");
    Check(document.GetText("ck").empty());
    Check(document.Count() == 1);
    document.Destroy();
    return 0;
}
