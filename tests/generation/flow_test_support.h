#pragma once
// Helpers for the flow tests: reading the service's requests back and answering them.
#include <string>

#include "text/types.h"

namespace seo::testing {

// The body of a raw HTTP request (everything after the first blank line).
std::string RequestBody(const std::string& request);

// The value of a field of a url-encoded form body, taken raw.
std::string FormField(const std::string& body, const std::string& name);

// The bytes of the file part of a multipart upload body, and the file name it carries.
std::string UploadedFileBytes(const std::string& body);
std::string UploadedFileName(const std::string& body);

// A 200 answer carrying a JSON object with the given members (already JSON text, UTF-8).
std::string JsonAnswer(const std::string& str, const std::string& ck);

// A fresh folder under the system's temporary folder, removed by the destructor.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    void Write(const std::string& name, const std::string& bytes) const;
    std::string Read(const std::string& name) const;
    bool Exists(const std::string& name) const;

private:
    std::string path_;
};

}  // namespace seo::testing
