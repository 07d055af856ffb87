#include "generation/service_protocol.h"

#include "encoding/base64.h"
#include "encoding/code_page.h"
#include "encoding/digest.h"
#include "settings.h"
#include "text/text_ops.h"

namespace seo {
namespace {

// Replaces each occurrence of the two ASCII bytes `first second` by `replacement`,
// stepping over two-byte characters whole.
Text ReplacePairs(const Text& text, char first, char second, const char (&replacement)[3]) {
    Text out;
    out.reserve(text.size());
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size) {
        const char byte = text[i];
        if (IsLeadByte(byte) && i + 1 < size) {
            out.append(text, i, 2);
            i += 2;
        } else if (byte == first && i + 1 < size && text[i + 1] == second) {
            out.append(replacement, 2);
            i += 2;
        } else {
            out.push_back(byte);
            ++i;
        }
    }
    return out;
}

const char kBoundary[] = "----WebKitFormBoundaryB7BfOcAAFtzC33eK";

void Append(Bytes& bytes, const Text& text) { bytes.insert(bytes.end(), text.begin(), text.end()); }

}  // namespace

Text ServiceEndpointFor(const Text& host) { return "http://" + host + "/api.php"; }

Text ServiceEndpoint() { return ServiceEndpointFor(SEO_CONTENT_SERVICE_HOST); }

Text SignatureSalt() {
    return "kev\xD5\xBC hollow\xD1\xF9\xB1\xBE";  // kev占 hollow样本
}

Text AccountText() {
    return "api\xB5\xC4\xD5\xCA\xBA\xC5";  // api的帐号
}

Text Boundary() { return kBoundary; }

Text UploadHeaderText() {
    return Text("Content-Type:multipart/form-data; boundary=") + kBoundary + "\r\n\r\n";
}

Text FoldLineBreaks(const Text& text) { return ReplacePairs(text, '\r', '\n', "\\n"); }

Text UnfoldLineBreaks(const Text& text) { return ReplacePairs(text, '\\', 'n', "\r\n"); }

Text EncodePayload(const Text& text) {
    const Text utf8 = AnsiToUtf8(text);
    return Base64Encode(utf8.data(), utf8.size());
}

Text SignPayload(const Text& payload) {
    const Text signedText = SignatureSalt() + payload;
    return Md5Hex(signedText.data(), signedText.size());
}

Text BuildRewriteBody(const Text& payload, const Text& signature) {
    return "id=vip&user=" + AccountText() + "&str=" + payload + "&num=1&sign=" + signature;
}

Bytes BuildUploadBody(const Text& fileName, const Bytes& fileBytes) {
    const Text delimiter = Text("--") + kBoundary + "\r\n";
    const Text head = delimiter +
                      "Content-Disposition: form-data; name=\"num\"\r\n"
                      "\r\n"
                      "1\r\n" +
                      delimiter + "Content-Disposition: form-data; name=\"file\"; filename=\"";
    const Text partTrailer =
        "\"\r\n"
        "Content-Type: text/plain\r\n"
        "\r\n";
    const Text closing = Text("\r\n--") + kBoundary + "--";

    Bytes body;
    body.reserve(head.size() + fileName.size() + partTrailer.size() + fileBytes.size() + closing.size());
    Append(body, head);
    Append(body, fileName);
    Append(body, partTrailer);
    body.insert(body.end(), fileBytes.begin(), fileBytes.end());
    Append(body, closing);
    return body;
}

}  // namespace seo
