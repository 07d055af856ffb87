// Answers to the two requests of /api.php: the signed rewrite form and the upload.
#pragma once

#include <string>
#include <string_view>

namespace seo::service {

struct Answer {
    int status = 200;
    std::string body;
    std::string contentType = "application/json; charset=utf-8";
    // For a rewrite, the two members of the body, so that fault modes can reshape it.
    bool rewritten = false;
    std::string str;
    std::string ck;
};

// A multipart Content-Type selects the upload; anything else is read as the form.
Answer AnswerApiRequest(std::string_view contentType, std::string_view body);

Answer AnswerRewriteForm(std::string_view body);
Answer AnswerUpload(std::string_view contentType, std::string_view body);

}  // namespace seo::service
