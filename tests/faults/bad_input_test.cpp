// Bad input from the user: odd articles, an overflowing pass count, odd file names, and files
// and folders that change under a batch.
#include <gtest/gtest.h>
#include <unistd.h>

#include <condition_variable>
#include <filesystem>
#include <future>
#include <mutex>

#include "encoding/base64.h"
#include "encoding/code_page.h"
#include "fake_window_services.h"
#include "fault_support.h"
#include "flow_test_support.h"
#include "generation/article_generation.h"
#include "generation/batch_processing.h"
#include "generation/service_protocol.h"
#include "support/capture_server.h"
#include "test_threads.h"
#include "text/text_ops.h"

namespace seo {
namespace {

using testing::FormField;
using testing::RequestBody;
using testing::TemporaryFolder;

const std::string kAnswer =
    test::HttpAnswer("200 OK", {"Content-Type: application/json"}, R"({"str":"d\\nd","ck":"c"})");

// The article the first request carried, decoded back to code page 936.
Text SentArticle(const std::string& request) {
    const std::string payload = FormField(RequestBody(request), "str");
    // The service decodes Base64 text; the reference here is the program's own encoder.
    return payload;
}

struct ArticleCase {
    const char* name;
    Text article;
    Text folded;  // what the first request carries, before encoding
};

TEST(BadArticles, AreSentAsTheyAreAndTheAnswerIsShown) {
    testing::Watchdog watchdog(600);
    const ArticleCase cases[] = {
        {"0 bytes", "", ""},
        {"only line breaks", "\r\n\r\n\r\n", "\\n\\n\\n"},
        {"invalid code page 936 bytes", "\xFF\x80\x81", "\xFF\x80\x81"},
        {"50 MB", Text(50u << 20, 'a'), Text(50u << 20, 'a')},
    };
    for (const ArticleCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::CaptureServer server(kAnswer);
        const faults::GenerationOutcome outcome =
            faults::RunGeneration(ServiceEndpointFor(server.Address()), c.article, "1");
        const std::vector<std::string> requests = server.Requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(SentArticle(requests[0]), EncodePayload(c.folded));
        EXPECT_EQ(outcome.result, "d\r\nd");
        EXPECT_EQ(outcome.report, "c");
        EXPECT_EQ(outcome.messages, 0u);
    }
}

TEST(BadPassCounts, WrapAsA32BitIntegerWithoutUndefinedBehaviour) {
    // 99999999999 mod 2^32; the sanitizer build checks the arithmetic on the way.
    EXPECT_EQ(ToInteger("99999999999"), 1215752191);
    EXPECT_EQ(ToInteger("-99999999999"), -1215752191);
    EXPECT_EQ(ToInteger("4294967296"), 0);
    EXPECT_EQ(ToInteger("2147483648"), INT32_MIN);
    EXPECT_EQ(ToInteger("\xA3\xB9\xA3\xB9\xA3\xB9\xA3\xB9\xA3\xB9\xA3\xB9\xA3\xB9\xA3\xB9\xA3\xB9\xA3\xB9\xA3\xB9"),
              1215752191);  // the same digits in full width

    // A count that wraps below 1 sends nothing.
    test::CaptureServer server(kAnswer);
    const faults::GenerationOutcome outcome =
        faults::RunGeneration(ServiceEndpointFor(server.Address()), "x", "-99999999999");
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_EQ(outcome.result, "");
    EXPECT_EQ(outcome.report, "");
}

TEST(BadFileNames, EachIsUploadedUnderItsNameAndSavedUnderTheSameName) {
    const std::string longName = std::string(251, 'n') + ".txt";  // 255 bytes, the longest a name can be
    const faults::Files files = {
        {"with \"quotes\".txt", "q"},
        {"with spaces .txt", "s"},
        {"with\rcarriage return.txt", "r"},
        {"with\nline feed.txt", "l"},
        {"中文名字.txt", "c"},
        {longName, "long"},
    };
    test::CaptureServer server(kAnswer);
    const faults::BatchOutcome outcome = faults::RunBatch(ServiceEndpointFor(server.Address()), files);
    EXPECT_EQ(outcome.messages, 0u);
    EXPECT_TRUE(outcome.strayEntries.empty());
    ASSERT_EQ(outcome.written.size(), files.size());
    for (const auto& [name, bytes] : outcome.written) EXPECT_EQ(bytes, "d\\nd") << name;

    // The service sees each name in code page 936.
    std::vector<std::string> uploaded;
    for (const std::string& request : server.Requests()) uploaded.push_back(testing::UploadedFileName(RequestBody(request)));
    for (const auto& [name, bytes] : files) {
        EXPECT_NE(std::find(uploaded.begin(), uploaded.end(), Utf8ToAnsi(name)), uploaded.end()) << name;
    }
}

// A server that holds every answer until the test lets it go, so the test can change the
// file system while the batch's workers wait.
class HeldServer {
public:
    HeldServer()
        : server_([this](const std::string&, int) {
              std::unique_lock lock(mutex_);
              released_.wait(lock, [this] { return open_; });
              return kAnswer;
          }) {}
    ~HeldServer() { Release(); }
    void Release() {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        released_.notify_all();
    }
    void WaitForRequests(std::size_t count) {
        while (server_.Requests().size() < count) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    Text Endpoint() const { return ServiceEndpointFor(server_.Address()); }
    std::vector<std::string> Requests() const { return server_.Requests(); }

private:
    std::mutex mutex_;
    std::condition_variable released_;
    bool open_ = false;
    test::CaptureServer server_;
};

TEST(BatchUnderChange, AFolderThatVanishesMidBatchIsNotRecreated) {
    testing::Watchdog watchdog(120);
    TemporaryFolder in;
    auto out = std::make_unique<TemporaryFolder>();
    const std::string outPath = out->Path();
    std::vector<NativePath> paths;
    for (const auto& [name, bytes] : faults::ThreeFiles()) {
        in.Write(name, bytes);
        paths.push_back(in.File(name));
    }
    HeldServer server;
    testing::FakeWindowServices window;
    ProcessState state;
    window.fileDialogAnswers.push_back(paths);
    window.folderDialogAnswers.push_back(outPath);
    OnImportFilesClicked(window, state);
    OnChooseSaveDirClicked(window, state);
    OnBatchProcessClicked(window, state, server.Endpoint());
    server.WaitForRequests(3);
    out.reset();  // the folder goes while every worker waits for its answer
    server.Release();
    window.WaitForThreads();
    EXPECT_FALSE(std::filesystem::exists(outPath));
    EXPECT_TRUE(window.messages.empty());
}

TEST(BatchUnderChange, AReadOnlyFolderGetsNoFilesAndNoMessage) {
    if (::geteuid() == 0) GTEST_SKIP() << "file permissions do not bind the super-user";
    TemporaryFolder in, out;
    std::vector<NativePath> paths;
    for (const auto& [name, bytes] : faults::ThreeFiles()) {
        in.Write(name, bytes);
        paths.push_back(in.File(name));
    }
    std::filesystem::permissions(out.Path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    test::CaptureServer server(kAnswer);
    testing::FakeWindowServices window;
    ProcessState state;
    window.fileDialogAnswers.push_back(paths);
    window.folderDialogAnswers.push_back(out.Path());
    OnImportFilesClicked(window, state);
    OnChooseSaveDirClicked(window, state);
    OnBatchProcessClicked(window, state, ServiceEndpointFor(server.Address()));
    window.WaitForThreads();
    EXPECT_EQ(server.Requests().size(), 3u);
    EXPECT_TRUE(std::filesystem::is_empty(out.Path()));
    EXPECT_TRUE(window.messages.empty());
}

TEST(BatchUnderChange, AFileThatDisappearsAfterImportIsUploadedEmpty) {
    TemporaryFolder in, out;
    in.Write("gone.txt", "these bytes vanish");
    in.Write("kept.txt", "kept bytes");
    test::CaptureServer server(kAnswer);
    testing::FakeWindowServices window;
    ProcessState state;
    window.fileDialogAnswers.push_back({in.File("gone.txt"), in.File("kept.txt")});
    window.folderDialogAnswers.push_back(out.Path());
    OnImportFilesClicked(window, state);
    OnChooseSaveDirClicked(window, state);
    std::filesystem::remove(in.File("gone.txt"));
    OnBatchProcessClicked(window, state, ServiceEndpointFor(server.Address()));
    window.WaitForThreads();

    std::map<std::string, std::string> uploads;
    for (const std::string& request : server.Requests()) {
        const std::string body = RequestBody(request);
        uploads[testing::UploadedFileName(body)] = testing::UploadedFileBytes(body);
    }
    EXPECT_EQ(uploads, (std::map<std::string, std::string>{{"gone.txt", ""}, {"kept.txt", "kept bytes"}}));
    EXPECT_EQ(out.Read("gone.txt"), "d\\nd");
    EXPECT_EQ(out.Read("kept.txt"), "d\\nd");
    EXPECT_TRUE(window.messages.empty());
}

}  // namespace
}  // namespace seo
