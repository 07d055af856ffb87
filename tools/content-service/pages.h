// The site's pages that the window shows or opens: the links page, the root,
// the interface document and the forum page.
#pragma once

#include <httplib.h>

#include <string_view>

namespace seo::service {

// False when the path names no page.
bool AnswerPage(std::string_view path, httplib::Response& res);

}  // namespace seo::service
