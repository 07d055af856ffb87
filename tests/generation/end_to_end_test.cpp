#include <gtest/gtest.h>

#include "encoding/code_page.h"
#include "fake_window_services.h"
#include "flow_test_support.h"
#include "generation/article_generation.h"
#include "generation/batch_processing.h"
#include "generation/service_exchange.h"
#include "generation/service_protocol.h"
#include "support/service_process.h"
#include "text/text_ops.h"

namespace seo {
namespace {

using testing::FakeWindowServices;
using testing::TemporaryFolder;

class EndToEndThreads : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(service.Port(), 0) << "content-service did not start"; }
    Text Endpoint() const { return "http://127.0.0.1:" + std::to_string(service.Port()) + "/api.php"; }

    service_test::ServiceProcess service;
};

TEST_F(EndToEndThreads, ChineseArticleIsRewrittenInTwoPasses) {
    FakeWindowServices window;
    const Text article = Utf8ToAnsi("我们的文章很重要\r\n第二行内容");
    window.SetText(control::kSourceBox, article);
    window.SetText(control::kPassCountBox, "2");
    OnGenerateClicked(window, Endpoint());

    const Text result = window.TextOf(control::kResultBox);
    const Text report = window.TextOf(control::kReportBox);
    EXPECT_FALSE(result.empty());
    EXPECT_NE(result, article);  // the service changed something
    EXPECT_NE(Find(result, "\r\n"), -1) << "the line break comes back as CR LF";
    EXPECT_NE(Find(report, Utf8ToAnsi("原创度")), -1) << AnsiToUtf8(report);
}

TEST_F(EndToEndThreads, BatchSavesWhatTheServiceAnsweredForEachFile) {
    TemporaryFolder in, out;
    const std::vector<std::pair<std::string, std::string>> files = {
        {"一.txt", Utf8ToAnsi("我们的文章很重要")},      // code page 936 content
        {"two.txt", "我们的文章很重要\r\nsecond line"},    // UTF-8 content
        {"empty.txt", ""},
    };
    std::vector<NativePath> paths;
    for (const auto& [name, bytes] : files) {
        in.Write(name, bytes);
        paths.push_back(in.File(name));
    }
    FakeWindowServices window;
    ProcessState state;
    window.fileDialogAnswers.push_back(paths);
    window.folderDialogAnswers.push_back(out.Path());
    OnImportFilesClicked(window, state);
    OnChooseSaveDirClicked(window, state);
    OnBatchProcessClicked(window, state, Endpoint());
    window.WaitForThreads();

    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(out.Exists(name));
        // The same upload once more, read directly: the service answers the same every time.
        JsonDocument document = JsonDocument::Create();
        ReadServiceResponse(UploadExchange(Endpoint(), BuildUploadBody(Utf8ToAnsi(name), TextToBytes(bytes))),
                            document);
        const Text expected = document.GetText("str");
        document.Destroy();
        EXPECT_EQ(out.Read(name), expected);
        if (!bytes.empty()) {
            EXPECT_FALSE(expected.empty());
        }
    }
}

}  // namespace
}  // namespace seo
