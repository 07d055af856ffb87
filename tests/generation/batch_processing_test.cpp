#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>

#include "fake_window_services.h"
#include "flow_test_support.h"
#include "generation/batch_processing.h"
#include "generation/system_texts.h"
#include "support/capture_server.h"

namespace seo {
namespace {

using testing::FakeWindowServices;
using testing::TemporaryFolder;

// Answers every upload with str "R:" followed by the uploaded bytes.
std::string EchoAnswer(const std::string& request, int) {
    return testing::JsonAnswer("R:" + testing::UploadedFileBytes(testing::RequestBody(request)), "");
}

// Holds answers back until the test opens it.
class Gate {
public:
    void Open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    void Wait() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return open_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
};

class BatchThreads : public ::testing::Test {
protected:
    // Imports the named files of `in`, chooses `folder` and presses the batch button.
    void RunBatch(const std::vector<std::string>& names, const std::string& folder, test::CaptureServer& server) {
        std::vector<NativePath> paths;
        for (const auto& name : names) paths.push_back(in.File(name));
        window.fileDialogAnswers.push_back(paths);
        window.folderDialogAnswers.push_back(folder);
        OnImportFilesClicked(window, state);
        OnChooseSaveDirClicked(window, state);
        OnBatchProcessClicked(window, state, server.Url("/api.php"));
    }

    TemporaryFolder in, out;
    ProcessState state;
    FakeWindowServices window;  // last: its destructor waits for the workers
};

TEST_F(BatchThreads, EveryFileIsUploadedByItsOwnWorkerAndSavedUnderItsName) {
    in.Write("a.txt", "alpha");
    in.Write("b.txt", "beta");
    in.Write("c.txt", "gamma");
    test::CaptureServer server(&EchoAnswer);
    RunBatch({"a.txt", "b.txt", "c.txt"}, out.Path(), server);
    window.WaitForThreads();
    EXPECT_EQ(window.StartedThreads(), 3);
    EXPECT_EQ(server.Requests().size(), 3u);
    EXPECT_EQ(out.Read("a.txt"), "R:alpha");
    EXPECT_EQ(out.Read("b.txt"), "R:beta");
    EXPECT_EQ(out.Read("c.txt"), "R:gamma");
    EXPECT_EQ(window.dialogTitles, (std::vector<Text>{texts::kOpenFilesTitle, texts::kChooseFolderInstruction}));
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(BatchThreads, WithoutAFolderTheMessageShowsEvenForAnEmptyList) {
    test::CaptureServer server(&EchoAnswer);
    OnBatchProcessClicked(window, state, server.Url("/api.php"));
    in.Write("a.txt", "x");
    RunBatch({"a.txt"}, "", server);  // the folder browser cancelled
    EXPECT_EQ(window.messages, (std::vector<Text>{texts::kSaveDirectoryEmpty, texts::kSaveDirectoryEmpty}));
    EXPECT_EQ(window.StartedThreads(), 0);
}

TEST_F(BatchThreads, CancelledDialogsEmptyTheListAndTheFolder) {
    in.Write("a.txt", "x");
    test::CaptureServer server(&EchoAnswer);
    RunBatch({"a.txt"}, out.Path(), server);
    window.WaitForThreads();
    OnImportFilesClicked(window, state);  // cancelled: the list is empty
    OnBatchProcessClicked(window, state, server.Url("/api.php"));
    EXPECT_EQ(window.StartedThreads(), 1);
    EXPECT_TRUE(window.messages.empty());
    OnChooseSaveDirClicked(window, state);  // cancelled: no folder
    EXPECT_EQ(state.SaveDirectory(), "");
    OnBatchProcessClicked(window, state, server.Url("/api.php"));
    EXPECT_EQ(window.messages, std::vector<Text>{texts::kSaveDirectoryEmpty});
}

TEST_F(BatchThreads, FolderWithATrailingSlashIsJoinedAsItIs) {
    in.Write("a.txt", "x");
    test::CaptureServer server(&EchoAnswer);
    RunBatch({"a.txt"}, out.Path() + "/", server);
    window.WaitForThreads();
    EXPECT_EQ(out.Read("a.txt"), "R:x");
}

TEST_F(BatchThreads, EmptyOrUnreadableFileIsUploadedAsAnEmptyPart) {
    in.Write("empty.txt", "");
    test::CaptureServer server(&EchoAnswer);
    RunBatch({"empty.txt", "vanished.txt"}, out.Path(), server);
    window.WaitForThreads();
    const std::string emptyPartEnd = "text/plain\r\n\r\n\r\n------WebKitFormBoundaryB7BfOcAAFtzC33eK--";
    for (const auto& request : server.Requests()) {
        const std::string body = testing::RequestBody(request);
        ASSERT_GT(body.size(), emptyPartEnd.size());
        EXPECT_EQ(body.substr(body.size() - emptyPartEnd.size()), emptyPartEnd);
    }
    EXPECT_EQ(out.Read("empty.txt"), "R:");
    EXPECT_EQ(out.Read("vanished.txt"), "R:");
}

TEST_F(BatchThreads, FailedExchangeCreatesEmptyFilesButNeverEmptiesExistingOnes) {
    in.Write("new.txt", "x");
    in.Write("old.txt", "y");
    out.Write("old.txt", "an earlier good answer");
    test::CaptureServer server(std::string(), {.closeAfterAnswer = true});  // no answer at all
    RunBatch({"new.txt", "old.txt"}, out.Path(), server);
    window.WaitForThreads();
    EXPECT_TRUE(out.Exists("new.txt"));
    EXPECT_EQ(out.Read("new.txt"), "");
    EXPECT_EQ(out.Read("old.txt"), "an earlier good answer");
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(BatchThreads, OutputIntoTheFilesOwnFolderKeepsTheFileWhenTheServiceFails) {
    in.Write("mine.txt", "my own words");
    test::CaptureServer server(testing::JsonAnswer("", ""));
    RunBatch({"mine.txt"}, in.Path(), server);
    window.WaitForThreads();
    EXPECT_EQ(in.Read("mine.txt"), "my own words");
}

TEST_F(BatchThreads, PressingTwiceUploadsEveryFileTwice) {
    in.Write("a.txt", "1");
    in.Write("b.txt", "2");
    test::CaptureServer server(&EchoAnswer);
    RunBatch({"a.txt", "b.txt"}, out.Path(), server);
    OnBatchProcessClicked(window, state, server.Url("/api.php"));
    window.WaitForThreads();
    EXPECT_EQ(server.Requests().size(), 4u);
    EXPECT_EQ(out.Read("a.txt"), "R:1");
}

TEST_F(BatchThreads, SameNameFromTwoFoldersEndsInOneFile) {
    TemporaryFolder other;
    in.Write("same.txt", "first");
    other.Write("same.txt", "second");
    window.fileDialogAnswers.push_back({in.File("same.txt"), other.File("same.txt")});
    window.folderDialogAnswers.push_back(out.Path());
    OnImportFilesClicked(window, state);
    OnChooseSaveDirClicked(window, state);
    test::CaptureServer server(&EchoAnswer);
    OnBatchProcessClicked(window, state, server.Url("/api.php"));
    window.WaitForThreads();
    const std::string saved = out.Read("same.txt");
    EXPECT_TRUE(saved == "R:first" || saved == "R:second") << saved;
}

TEST_F(BatchThreads, ChineseNameTravelsInCodePage936AndIsSavedNatively) {
    in.Write("中文.txt", "x");
    test::CaptureServer server(&EchoAnswer);
    RunBatch({"中文.txt"}, out.Path(), server);
    window.WaitForThreads();
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(testing::UploadedFileName(testing::RequestBody(server.Requests()[0])), "\xD6\xD0\xCE\xC4.txt");
    EXPECT_EQ(out.Read("中文.txt"), "R:x");
}

TEST_F(BatchThreads, WorkersKeepTheirFileAndReadTheFolderAfterTheirRequest) {
    in.Write("a.txt", "x");
    TemporaryFolder later;
    Gate gate;
    test::CaptureServer server([&](const std::string& request, int number) {
        gate.Wait();
        return EchoAnswer(request, number);
    });
    RunBatch({"a.txt"}, out.Path(), server);
    window.fileDialogAnswers.push_back({});  // a new, cancelled import while the worker waits
    OnImportFilesClicked(window, state);
    window.folderDialogAnswers.push_back(later.Path());
    OnChooseSaveDirClicked(window, state);
    gate.Open();
    window.WaitForThreads();
    EXPECT_EQ(later.Read("a.txt"), "R:x");
    EXPECT_FALSE(out.Exists("a.txt"));
}

TEST_F(BatchThreads, FolderClearedWhileUploadingWritesNothing) {
    in.Write("a.txt", "x");
    Gate gate;
    test::CaptureServer server([&](const std::string& request, int number) {
        gate.Wait();
        return EchoAnswer(request, number);
    });
    RunBatch({"a.txt"}, out.Path(), server);
    OnChooseSaveDirClicked(window, state);  // cancelled while the worker waits
    gate.Open();
    window.WaitForThreads();
    EXPECT_FALSE(out.Exists("a.txt"));
    EXPECT_FALSE(std::filesystem::exists("/a.txt"));
}

TEST_F(BatchThreads, FileHeldByAnotherWriterIsLeftWhole) {
    in.Write("a.txt", "x");
    out.Write("a.txt", "being written elsewhere");
    const int held = ::open(out.File("a.txt").c_str(), O_RDWR);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    test::CaptureServer server(&EchoAnswer);
    RunBatch({"a.txt"}, out.Path(), server);
    window.WaitForThreads();
    ::close(held);
    EXPECT_EQ(out.Read("a.txt"), "being written elsewhere");
}

TEST_F(BatchThreads, EveryFileIsProcessedWhenThreadsRunOut) {
    for (int refuseAfter : {2, 0}) {
        SCOPED_TRACE(refuseAfter);
        TemporaryFolder target;
        std::vector<std::string> names;
        for (int i = 0; i < 6; ++i) {
            names.push_back("f" + std::to_string(i) + ".txt");
            in.Write(names.back(), std::to_string(i));
        }
        FakeWindowServices limited;
        limited.refuseThreadsAfter = refuseAfter;
        limited.fileDialogAnswers.push_back({});
        for (const auto& name : names) limited.fileDialogAnswers.back().push_back(in.File(name));
        limited.folderDialogAnswers.push_back(target.Path());
        ProcessState own;
        OnImportFilesClicked(limited, own);
        OnChooseSaveDirClicked(limited, own);
        test::CaptureServer server(&EchoAnswer);
        OnBatchProcessClicked(limited, own, server.Url("/api.php"));
        limited.WaitForThreads();
        for (int i = 0; i < 6; ++i) EXPECT_EQ(target.Read(names[i]), "R:" + std::to_string(i));
    }
}

TEST(FileNameOfPath, LastSlashByteByByte) {
    struct Case {
        const char* path;
        const char* name;
    };
    const Case cases[] = {
        {"/home/u/a.txt", "a.txt"}, {"a.txt", "a.txt"}, {"/home/u/", ""}, {"", ""},
        {"/x/\xE4\xB8\xAD.txt", "\xE4\xB8\xAD.txt"}, {"/x/\x81/b", "b"},  // no character swallows a slash
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(FileNameOfPath(c.path), c.name);
    }
}

}  // namespace
}  // namespace seo
