#include "raw_http.h"

#include "json_reader.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace seo::service_test {
namespace {

constexpr std::string_view kBoundary = "----WebKitFormBoundaryB7BfOcAAFtzC33eK";
// The account text's 9 bytes in code page 936.
constexpr std::string_view kUser = "\x61\x70\x69\xB5\xC4\xD5\xCA\xBA\xC5";

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
    return out;
}

// Reassembles a chunked body; false when it is cut off.
bool Unchunk(std::string_view framed, std::string& body) {
    std::size_t pos = 0;
    for (;;) {
        const std::size_t lineEnd = framed.find("\r\n", pos);
        if (lineEnd == std::string_view::npos) return false;
        const std::size_t size = std::strtoul(std::string(framed.substr(pos, lineEnd - pos)).c_str(), nullptr, 16);
        pos = lineEnd + 2;
        if (size == 0) return true;
        if (framed.size() < pos + size) {
            body.append(framed.substr(pos));
            return false;
        }
        body.append(framed.substr(pos, size));
        pos += size + 2;
    }
}

}  // namespace

Reply ParseReply(std::string_view raw) {
    Reply reply;
    const std::size_t headEnd = raw.find("\r\n\r\n");
    if (raw.substr(0, 5) != "HTTP/" || headEnd == std::string_view::npos) return reply;
    reply.received = true;
    const std::string_view head = raw.substr(0, headEnd);
    const std::size_t firstLineEnd = head.find("\r\n");
    const std::string_view statusLine = head.substr(0, firstLineEnd);
    reply.status = std::atoi(std::string(statusLine.substr(statusLine.find(' ') + 1)).c_str());
    std::size_t pos = firstLineEnd == std::string_view::npos ? head.size() : firstLineEnd + 2;
    while (pos < head.size()) {
        std::size_t end = head.find("\r\n", pos);
        if (end == std::string_view::npos) end = head.size();
        const std::string_view line = head.substr(pos, end - pos);
        const std::size_t colon = line.find(':');
        if (colon != std::string_view::npos) {
            std::string_view value = line.substr(colon + 1);
            while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
            reply.headers[Lower(line.substr(0, colon))] = std::string(value);
        }
        pos = end + 2;
    }
    const std::string_view rest = raw.substr(headEnd + 4);
    if (Lower(reply.headers["transfer-encoding"]) == "chunked") {
        reply.complete = Unchunk(rest, reply.body);
    } else if (reply.headers.count("content-length")) {
        const std::size_t length = std::strtoull(reply.headers["content-length"].c_str(), nullptr, 10);
        reply.body = std::string(rest.substr(0, length));
        reply.complete = rest.size() >= length;
    } else {
        reply.body = std::string(rest);
        reply.complete = true;
    }
    return reply;
}

Reply Exchange(int port, std::string_view request) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return {};
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string raw;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        std::size_t sent = 0;
        while (sent < request.size()) {
            const ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) break;
            sent += static_cast<std::size_t>(n);
        }
        char buffer[65536];
        // A loose watchdog: a reply that stalls for a minute counts as lost.
        for (;;) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 60000) <= 0) break;
            const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            raw.append(buffer, static_cast<std::size_t>(n));
        }
    }
    close(fd);
    return ParseReply(raw);
}

std::string PostRequest(std::string_view extraHeaders, std::string_view body) {
    std::string request = "POST /api.php HTTP/1.1\r\n";
    request += extraHeaders;
    request += "Accept: */*\r\nReferer: http://127.0.0.1/api.php\r\nAccept-Language: zh-cn\r\n";
    request += "User-Agent: test\r\nHost: 127.0.0.1\r\nConnection: close\r\n";
    request += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    request += body;
    return request;
}

std::string FormRequest(std::string_view body) {
    return PostRequest("Content-Type: application/x-www-form-urlencoded\r\n", body);
}

std::string FormBody(std::string_view payload, std::string_view sign) {
    std::string body = "id=vip&user=";
    body += kUser;
    body += "&str=";
    body += payload;
    body += "&num=1&sign=";
    body += sign;
    return body;
}

std::string UploadBody(std::string_view fileName, std::string_view fileBytes) {
    std::string body = "--" + std::string(kBoundary) + "\r\n";
    body += "Content-Disposition: form-data; name=\"num\"\r\n\r\n1\r\n";
    body += "--" + std::string(kBoundary) + "\r\n";
    body += "Content-Disposition: form-data; name=\"file\"; filename=\"";
    body += fileName;
    body += "\"\r\nContent-Type: text/plain\r\n\r\n";
    body += fileBytes;
    body += "\r\n--" + std::string(kBoundary) + "--";
    return body;
}

std::string UploadRequest(std::string_view fileName, std::string_view fileBytes) {
    return PostRequest("Content-Type:multipart/form-data; boundary=" + std::string(kBoundary) + "\r\n",
                       UploadBody(fileName, fileBytes));
}

std::string GetRequest(std::string_view target) {
    return "GET " + std::string(target) + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
}

std::string Base64(std::string_view bytes) {
    std::string out((bytes.size() + 2) / 3 * 4 + 1, '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                  reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
    out.resize(static_cast<std::size_t>(n));
    return out;
}

std::string SignatureOf(std::string_view payload) {
    // kev占 hollow样本 in code page 936
    std::string data("kev\xD5\xBC hollow\xD1\xF9\xB1\xBE", 16);
    data += payload;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(data.data(), data.size(), digest, &length, EVP_md5(), nullptr);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex.push_back(kHex[digest[i] >> 4]);
        hex.push_back(kHex[digest[i] & 15]);
    }
    return hex;
}

std::optional<std::string> JsonMember(std::string_view json, std::string_view name) {
    const auto value = ParseJson(json);
    if (!value || value->kind != JsonValue::Kind::Object) return std::nullopt;
    const JsonValue* member = value->Member(name);
    if (!member || member->kind != JsonValue::Kind::String) return std::nullopt;
    return member->text;
}

}  // namespace seo::service_test
