#pragma once
// A recording stand-in for the window: remembers every call, answers dialogs from queues,
// runs threads for real (the program's own kind) and does real file work, so the flows run
// without a display.
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "generation/thread_start.h"
#include "generation/window_services.h"

namespace seo::testing {

class FakeWindowServices : public WindowServices {
public:
    ~FakeWindowServices() override { WaitForThreads(); }

    void SetLabelCaption(std::string_view control, const Text& caption) override {
        Record("caption " + std::string(control));
        texts_[std::string(control)] = caption;
    }
    Text GetEditText(std::string_view control) override {
        Record("get " + std::string(control));
        return texts_[std::string(control)];
    }
    void SetEditText(std::string_view control, const Text& text) override {
        Record("set " + std::string(control));
        texts_[std::string(control)] = text;
    }
    void ShowMessage(const Text& text) override {
        Record("message");
        messages.push_back(text);
    }
    std::vector<NativePath> ChooseFilesToOpen(const Text& title) override {
        Record("open dialog");
        dialogTitles.push_back(title);
        if (fileDialogAnswers.empty()) return {};
        auto answer = fileDialogAnswers.front();
        fileDialogAnswers.pop_front();
        return answer;
    }
    NativePath ChooseFolder(const Text& instruction) override {
        Record("folder dialog");
        dialogTitles.push_back(instruction);
        if (folderDialogAnswers.empty()) return {};
        auto answer = folderDialogAnswers.front();
        folderDialogAnswers.pop_front();
        return answer;
    }
    bool PumpingWait(std::optional<std::int32_t> amount, std::int32_t unit) override {
        Record("wait " + (amount ? std::to_string(*amount) : std::string("-")) + " " + std::to_string(unit));
        if (duringWait) duringWait();
        return true;
    }
    void OpenAddress(const Text& url) override {
        Record("open " + url);
    }
    // The program's own detached threads, counted so that a test can wait for them.
    bool StartThread(std::function<void()> routine) override {
        std::lock_guard lock(threadsMutex_);
        if (refuseThreadsAfter >= 0 && startedThreads_ >= refuseThreadsAfter) return false;
        const bool started = StartDetachedThread([this, routine = std::move(routine)] {
            routine();
            std::lock_guard done(threadsMutex_);
            --runningThreads_;
            threadsIdle_.notify_all();
        });
        if (started) {
            ++startedThreads_;
            ++runningThreads_;
        }
        return started;
    }

    // Test side.
    void SetText(std::string_view control, const Text& text) { texts_[std::string(control)] = text; }
    Text TextOf(std::string_view control) { return texts_[std::string(control)]; }
    void WaitForThreads() {
        std::unique_lock lock(threadsMutex_);
        threadsIdle_.wait(lock, [this] { return runningThreads_ == 0; });
    }
    int StartedThreads() {
        std::lock_guard lock(threadsMutex_);
        return startedThreads_;
    }

    std::vector<std::string> calls;  // window-thread calls in order
    std::vector<Text> messages;
    std::vector<Text> dialogTitles;
    std::deque<std::vector<NativePath>> fileDialogAnswers;
    std::deque<NativePath> folderDialogAnswers;
    std::function<void()> duringWait;
    int refuseThreadsAfter = -1;  // StartThread fails once this many threads have started

private:
    void Record(std::string call) { calls.push_back(std::move(call)); }

    std::map<std::string, Text> texts_;
    std::mutex threadsMutex_;
    std::condition_variable threadsIdle_;
    int startedThreads_ = 0;
    int runningThreads_ = 0;
};

}  // namespace seo::testing
