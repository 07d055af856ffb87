// Documents on many threads at once, one each, on stacks of the documented size.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "json/json_document.h"
#include "test_threads.h"
#include "text/text_ops.h"

namespace seo {
namespace {

TEST(DocumentThreads, SixtyFourThreadsEachWithItsOwnDocument) {
    testing::Watchdog watchdog(60);
    constexpr int kThreads = 64;
    std::atomic<int> correct{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &correct] {
            testing::RunWithStack(kScriptThreadStackBytes, [t, &correct] {
                JsonDocument document = JsonDocument::Create();
                bool ok = true;
                for (int round = 0; round < 5; ++round) {
                    const Text n = NumberToText(t * 100 + round);
                    ok = ok && document.Parse("{\"str\":\"\xD6\xD0" + n + "\",\"ck\":" + n + ",\"l\":[1,2]}");
                    ok = ok && document.GetText("str") == "\xD6\xD0" + n;
                    ok = ok && document.GetText("ck") == n;
                    ok = ok && document.Count("l") == 2;
                    JsonDocument list = document.GetDocument("l");
                    ok = ok && list.ToJson() == "[1,2]";
                }
                document.Destroy();
                if (ok) ++correct;
            });
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(correct.load(), kThreads);
}

// Threads reuse heaps from their own pools and from threads that ended, between plain answers
// and hostile ones, and nothing one answer leaves behind reaches a later document on any thread.
TEST(DocumentThreads, ReusedHeapsCarryNothingBetweenDocumentsOrThreads) {
    testing::Watchdog watchdog(60);
    constexpr int kThreads = 16;
    ScriptLimits limits;
    limits.timePerCall = std::chrono::milliseconds(200);
    std::atomic<int> correct{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &correct, limits] {
            testing::RunWithStack(kScriptThreadStackBytes, [t, &correct, limits] {
                bool ok = true;
                for (int round = 0; round < 20; ++round) {
                    const Text n = NumberToText(t * 1000 + round);
                    JsonDocument document = JsonDocument::Create(limits);
                    if (round % 5 == 4) {
                        document.Parse("(function(){Object.prototype.leaked=" + n + ";return {str:'x'}})()");
                        ok = ok && !document.engine->Reusable();
                    } else {
                        ok = ok && document.Parse("{\"str\":\"\xD6\xD0" + n + "\",\"ck\":" + n + "}");
                        ok = ok && document.GetText("str") == "\xD6\xD0" + n;
                        ok = ok && document.GetText("ck") == n;
                        ok = ok && document.GetText("leaked").empty();
                        ok = ok && document.engine->Reusable();
                    }
                    document.Destroy();
                }
                if (ok) ++correct;
            });
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(correct.load(), kThreads);
}

}  // namespace
}  // namespace seo
