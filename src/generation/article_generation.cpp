#include "generation/article_generation.h"

#include "generation/service_exchange.h"
#include "generation/service_protocol.h"
#include "generation/system_texts.h"
#include "json/json_document.h"
#include "text/text_ops.h"

namespace seo {

void OnGenerateClicked(WindowServices& window, const Text& endpoint) {
    JsonDocument document = JsonDocument::Create();
    window.SetLabelCaption(control::kStatusLabel, texts::kBusyCaption);
    window.PumpingWait(100);
    window.SetEditText(control::kResultBox, Text());

    // Only the text carries from pass to pass; each pass encodes and signs it anew.
    Text source = FoldLineBreaks(window.GetEditText(control::kSourceBox));
    const std::int32_t passes = ToInteger(window.GetEditText(control::kPassCountBox));
    for (std::int64_t pass = 1; pass <= passes; ++pass) {
        const Text payload = EncodePayload(source);
        ReadServiceResponse(RewriteExchange(endpoint, BuildRewriteBody(payload, SignPayload(payload))), document);
        source = document.GetText("str");
    }

    window.SetEditText(control::kReportBox, document.GetText("ck"));
    window.SetEditText(control::kResultBox, UnfoldLineBreaks(document.GetText("str")));
    document.Destroy();
}

}  // namespace seo
