#include "flow_test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/capture_server.h"

namespace seo::testing {

std::string RequestBody(const std::string& request) {
    const std::size_t end = request.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : request.substr(end + 4);
}

std::string FormField(const std::string& body, const std::string& name) {
    const std::string key = name + "=";
    std::size_t begin;
    if (body.compare(0, key.size(), key) == 0) {
        begin = key.size();
    } else {
        const std::size_t at = body.find("&" + key);
        if (at == std::string::npos) return {};
        begin = at + 1 + key.size();
    }
    const std::size_t end = body.find('&', begin);
    return body.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

std::string UploadedFileBytes(const std::string& body) {
    const std::size_t type = body.find("Content-Type: text/plain\r\n\r\n");
    if (type == std::string::npos) return {};
    const std::size_t begin = type + 28;
    const std::size_t end = body.rfind("\r\n------WebKitFormBoundaryB7BfOcAAFtzC33eK--");
    return end == std::string::npos || end < begin ? std::string() : body.substr(begin, end - begin);
}

std::string UploadedFileName(const std::string& body) {
    const std::string marker = "; filename=\"";
    const std::size_t begin = body.find(marker);
    if (begin == std::string::npos) return {};
    const std::size_t end = body.find("\"\r\n", begin + marker.size());
    return body.substr(begin + marker.size(), end - begin - marker.size());
}

std::string JsonAnswer(const std::string& str, const std::string& ck) {
    return test::HttpAnswer("200 OK", {"Content-Type: application/json"},
                            "{\"str\":\"" + str + "\",\"ck\":\"" + ck + "\"}");
}

TemporaryFolder::TemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "flow-test-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(path_, ignored);
}

void TemporaryFolder::Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(File(name), std::ios::binary) << bytes;
}

std::string TemporaryFolder::Read(const std::string& name) const {
    std::ifstream in(File(name), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool TemporaryFolder::Exists(const std::string& name) const { return std::filesystem::exists(File(name)); }

}  // namespace seo::testing
