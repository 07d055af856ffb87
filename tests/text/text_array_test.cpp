#include <gtest/gtest.h>

#include "text/fatal_error.h"
#include "text/text_array.h"

namespace seo {
namespace {

struct Raised {
    FatalError error;
};

void ThrowingHandler(const FatalError& error) { throw Raised{error}; }

class TextArrayTest : public ::testing::Test {
protected:
    void SetUp() override { previous_ = SetFatalErrorHandler(&ThrowingHandler); }
    void TearDown() override { SetFatalErrorHandler(previous_); }
    FatalErrorHandler previous_ = nullptr;
};

TEST_F(TextArrayTest, IndexesFromOne) {
    TextArray array({"a", "b"});
    EXPECT_EQ(array.Count(), 2);
    EXPECT_EQ(array.At(1), "a");
    EXPECT_EQ(array.At(2), "b");
}

TEST_F(TextArrayTest, IndexOutsideTheArrayIsFatalWithItsCode) {
    struct Case {
        int index;
        int code;
        const char* message;
    };
    const Case cases[] = {
        {3, 1, "\xCA\xFD\xD7\xE9\xB3\xC9\xD4\xB1\xD2\xFD\xD3\xC3\xCF\xC2\xB1\xEA\xB3\xAC\xB3\xF6\xB6\xA8\xD2\xE5\xB7\xB6\xCE\xA7"},
        {0, 4, "\xCA\xFD\xD7\xE9\xB3\xC9\xD4\xB1\xD2\xFD\xD3\xC3\xCF\xC2\xB1\xEA\xB1\xD8\xD0\xEB\xB4\xF3\xD3\xDA\xB5\xC8\xD3\xDA" "1"},
        {-7, 4, nullptr},
        {2147483647, 1, nullptr},
    };
    TextArray array({"a", "b"});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        try {
            array.At(c.index);
            ADD_FAILURE() << "no fatal error";
        } catch (const Raised& raised) {
            EXPECT_EQ(raised.error.code, c.code);
            if (c.message) {
                EXPECT_EQ(raised.error.message, c.message);
            }
        }
    }
}

TEST(FatalErrorText, LaysOutCodeAndMessage) {
    // 运行时出错! / 错误代码：1 / 错误信息：...
    const Text expected =
        "\xD4\xCB\xD0\xD0\xCA\xB1\xB3\xF6\xB4\xED!\r\n\r\n"
        "\xB4\xED\xCE\xF3\xB4\xFA\xC2\xEB\xA3\xBA" "1\r\n\r\n"
        "\xB4\xED\xCE\xF3\xD0\xC5\xCF\xA2\xA3\xBA" "m\r\n";
    EXPECT_EQ(FatalErrorText({1, "m"}), expected);
}

TEST(FatalErrorText, OutOfMemoryHasNoCodeAndNamesTheSize) {
    const Text expected =
        "\xD4\xCB\xD0\xD0\xCA\xB1\xB3\xF6\xB4\xED!\r\n\r\n"
        "\xB4\xED\xCE\xF3\xD0\xC5\xCF\xA2\xA3\xBA"
        "\xB7\xD6\xC5\xE4 1048576 \xD7\xD6\xBD\xDA\xC4\xDA\xB4\xE6\xCA\xA7\xB0\xDC!\r\n";
    EXPECT_EQ(FatalErrorText(OutOfMemoryError(1048576)), expected);
}

TEST(FatalErrorDeath, DefaultHandlerEndsTheProcessWithMinusOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TextArray empty;
    EXPECT_EXIT(empty.At(1), ::testing::ExitedWithCode(255), "");
}

}  // namespace
}  // namespace seo
