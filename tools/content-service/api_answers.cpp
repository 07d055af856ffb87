#include "api_answers.h"

#include "json_text.h"
#include "originality.h"
#include "request_parsing.h"
#include "rewriting.h"
#include "signature.h"
#include "text_codec.h"

#include <optional>

namespace seo::service {
namespace {

Answer Error(int status, std::string_view code, std::string_view message) {
    Answer answer;
    answer.status = status;
    answer.body = ErrorAnswer(code, message);
    return answer;
}

Answer Rewritten(const std::u32string& article) {
    const Rewrite rewrite = RewriteText(article);
    const int originality = OriginalityBasisPoints(article, rewrite.text);
    Answer answer;
    answer.rewritten = true;
    answer.str = EncodeUtf8(rewrite.text);
    answer.ck = OriginalityReport(originality, rewrite.substitutions);
    answer.body = RewriteAnswer(answer.str, answer.ck);
    return answer;
}

// A file may come in UTF-8 (with or without a mark), UTF-16 with a mark, or code page 936.
std::optional<std::u32string> FileText(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return DecodeUtf8(bytes.substr(3));
    if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
        const auto utf8 = Utf16ToUtf8(bytes);
        if (!utf8) return std::nullopt;
        return DecodeUtf8(*utf8);
    }
    if (auto text = DecodeUtf8(bytes)) return text;
    return DecodeUtf8(Cp936ToUtf8(bytes));
}

}  // namespace

Answer AnswerApiRequest(std::string_view contentType, std::string_view body) {
    if (IsMultipartForm(contentType)) return AnswerUpload(contentType, body);
    return AnswerRewriteForm(body);
}

Answer AnswerRewriteForm(std::string_view body) {
    const auto form = ParseRewriteForm(body);
    if (!form) return Error(400, "malformed_request", "请求格式错误：缺少 str 或 sign 字段");
    if (!SignatureMatches(form->payload, form->sign)) {
        return Error(403, "bad_signature", "签名错误：sign 与 str 不符");
    }
    const auto bytes = DecodeBase64(form->payload);
    if (!bytes) return Error(400, "bad_payload", "内容错误：str 不是有效的 Base64 文本");
    const auto article = DecodeUtf8(*bytes);
    if (!article) return Error(400, "bad_payload", "内容错误：str 解码后不是有效的 UTF-8 文本");
    return Rewritten(*article);
}

Answer AnswerUpload(std::string_view contentType, std::string_view body) {
    const UploadParse upload = ParseUpload(contentType, body);
    switch (upload.error) {
        case UploadError::NoBoundary:
            return Error(400, "malformed_upload", "上传格式错误：Content-Type 缺少 boundary");
        case UploadError::Malformed:
            return Error(400, "malformed_upload", "上传格式错误：分隔行不完整");
        case UploadError::NoFilePart:
            return Error(400, "malformed_upload", "上传格式错误：缺少 file 字段");
        case UploadError::None:
            break;
    }
    const auto text = FileText(upload.file.bytes);
    if (!text) return Error(400, "bad_file", "文件错误：无法识别文件的编码");
    return Rewritten(*text);
}

}  // namespace seo::service
