#include "pages.h"

#include <string>

namespace seo::service {
namespace {

std::string Page(std::string_view title, std::string_view body) {
    std::string page = "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n<title>";
    page += title;
    page += "</title>\n<style>body{font-family:sans-serif;margin:2em;line-height:1.6}"
            "a{color:#0645ad}li{margin:.3em 0}</style>\n</head>\n<body>\n";
    page += body;
    page += "\n</body>\n</html>\n";
    return page;
}

constexpr std::string_view kLinks =
    "<h2>友情链接</h2>\n"
    "<ul>\n"
    "<li><a href=\"/\">伪原创服务首页</a>：在线改写文章，查看原创度</li>\n"
    "<li><a href=\"/api/api.docx\">接口文档</a>：签名表单与文件上传的说明</li>\n"
    "<li><a href=\"/forum-78-1.html\">软件交流论坛</a>：使用心得与问题反馈</li>\n"
    "</ul>\n"
    "<p>本页由本地模拟服务提供，仅供演示与测试。</p>";

constexpr std::string_view kRoot =
    "<h1>伪原创服务</h1>\n"
    "<p>把文章交给服务，得到改写后的文章和原创度报告。</p>\n"
    "<ul>\n"
    "<li>改写接口：<code>POST /api.php</code></li>\n"
    "<li><a href=\"/api/api.docx\">接口文档</a></li>\n"
    "<li><a href=\"/gg/you.html\">友情链接</a></li>\n"
    "<li><a href=\"/forum-78-1.html\">交流论坛</a></li>\n"
    "</ul>";

constexpr std::string_view kForum =
    "<h1>软件交流论坛</h1>\n"
    "<table border=\"1\" cellpadding=\"6\">\n"
    "<tr><th>主题</th><th>回复</th></tr>\n"
    "<tr><td>批量处理文件的保存目录怎么选？</td><td>3</td></tr>\n"
    "<tr><td>多次生成后原创度有多少提升？</td><td>5</td></tr>\n"
    "<tr><td>新版本更新说明</td><td>1</td></tr>\n"
    "</table>\n"
    "<p><a href=\"/\">返回首页</a></p>";

constexpr std::string_view kInterfaceDocument =
    "伪原创服务接口说明\n"
    "==================\n"
    "\n"
    "一、改写请求\n"
    "POST /api.php，表单正文：id=vip&user=<账号>&str=<文章的 UTF-8 字节的 Base64 文本>&num=1&sign=<签名>\n"
    "正文不做 URL 编码，“+”、“/”、“=”原样发送。\n"
    "签名：盐值（代码页 936 的 16 个字节）后接 str 的值，取 MD5，写成 32 位小写十六进制。\n"
    "换行写成反斜杠和 n 两个字符。\n"
    "\n"
    "二、文件上传\n"
    "POST /api.php，multipart/form-data：字段 num 为 1，字段 file 为文件内容（代码页 936 或 UTF-8）。\n"
    "\n"
    "三、回答\n"
    "UTF-8 的 JSON 对象：str 为改写后的文章，ck 为原创度报告。\n"
    "出错时回答 error 与 message 两个成员。\n";

}  // namespace

bool AnswerPage(std::string_view path, httplib::Response& res) {
    if (path == "/gg/you.html") {
        res.set_content(Page("友情链接", kLinks), "text/html; charset=utf-8");
    } else if (path == "/" || path == "/index.html") {
        res.set_content(Page("伪原创服务", kRoot), "text/html; charset=utf-8");
    } else if (path == "/forum-78-1.html") {
        res.set_content(Page("软件交流论坛", kForum), "text/html; charset=utf-8");
    } else if (path == "/api/api.docx") {
        // A plain-text document: a browser shows it rather than fetching a broken file.
        res.set_content(std::string(kInterfaceDocument), "text/plain; charset=utf-8");
    } else {
        return false;
    }
    res.status = 200;
    return true;
}

}  // namespace seo::service
