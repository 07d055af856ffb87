// The pumping wait: its unit table, its waiting times (measured loosely) and the events it
// handles while the caller waits.
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <limits>
#include <optional>

#include <unistd.h>

#include "app/pumping_wait.h"
#include "app_tests.h"

namespace {

struct DueCase {
    const char* name;
    std::optional<std::int32_t> amount;
    std::int32_t unit;
    std::int64_t due;
};

constexpr std::int64_t kMinimum = std::numeric_limits<std::int64_t>::min();

const DueCase kDueTable[] = {
    {"100, unit omitted: 100 ms", 100, 0, -1'000'000},
    {"2 seconds", 2, 1, -20'000'000},
    {"1 minute", 1, 2, -600'000'000},
    {"1 hour", 1, 3, -36'000'000'000},
    {"3 units of 7 ms", 3, 7, -210'000},
    {"0 given, any unit", 0, 1, 0},
    {"0 given, unit omitted", 0, 0, 0},
    {"amount omitted, seconds: counts as 0", std::nullopt, 1, 0},
    {"amount omitted, own unit: counts as 0", std::nullopt, 7, 0},
    {"both omitted: 18e6 x 18e6 ms", std::nullopt, 0, -3'240'000'000'000'000'000},
    {"negative amount: already due", -5, 0, 50'000},
    {"negative unit is its own factor", 3, -5, 150'000},
    {"largest amount in hours saturates", std::numeric_limits<std::int32_t>::max(), 3, kMinimum},
};

class PaintCounter final : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

qint64 TimedWait(std::optional<std::int32_t> amount, std::int32_t unit) {
    QElapsedTimer clock;
    clock.start();
    const bool result = seo::PumpingWait(amount, unit);
    const qint64 elapsed = clock.elapsed();
    return result ? elapsed : -1;
}

}  // namespace

class WaitTest : public QObject {
    Q_OBJECT

private slots:
    void dueTimeFollowsTheUnitTable() {
        for (const DueCase& c : kDueTable) {
            QVERIFY2(seo::PumpingWaitDueTime(c.amount, c.unit) == c.due, c.name);
        }
    }

    void waitsAboutTheirTime() {
        struct TimedCase {
            const char* name;
            std::optional<std::int32_t> amount;
            std::int32_t unit;
            qint64 atLeastMs;
        };
        const TimedCase cases[] = {
            {"100 ms", 100, 0, 100},
            {"3 units of 7 ms", 3, 7, 21},
            {"2 seconds", 2, 1, 2000},
        };
        for (const TimedCase& c : cases) {
            const qint64 elapsed = TimedWait(c.amount, c.unit);
            QVERIFY2(elapsed >= c.atLeastMs, c.name);
            // Loose: shared machines stall, but not for ten seconds beyond the wait.
            QVERIFY2(elapsed < c.atLeastMs + 10'000, c.name);
        }
    }

    void dueWaitsReturnAtOnceAfterHandlingWhatIsPending() {
        struct QuickCase {
            const char* name;
            std::optional<std::int32_t> amount;
            std::int32_t unit;
        };
        const QuickCase cases[] = {
            {"0 given", 0, 1},
            {"amount omitted, seconds", std::nullopt, 1},
            {"negative amount", -5, 0},
        };
        for (const QuickCase& c : cases) {
            bool handled = false;
            QTimer::singleShot(0, [&handled] { handled = true; });
            const qint64 elapsed = TimedWait(c.amount, c.unit);
            QVERIFY2(elapsed >= 0 && elapsed < 2000, c.name);
            QVERIFY2(handled, c.name);
        }
    }

    void windowKeepsPaintingAndHandlingEventsDuringTheWait() {
        PaintCounter widget;
        widget.resize(200, 100);
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        QTest::qWait(50);
        widget.paints = 0;
        widget.update();
        // Without dispatch the repaint stays pending.
        QCOMPARE(widget.paints, 0);
        bool timerFired = false;
        QTimer::singleShot(20, [&timerFired] { timerFired = true; });
        seo::PumpingWait(100);
        QVERIFY(widget.paints >= 1);
        QVERIFY(timerFired);
    }
};

APP_TEST_SUITE("wait", WaitTest)

// The endless wait handles clicks, keeps going after the window is closed, and never returns;
// the child ends itself once it has seen that.
static int EndlessWaitChild() {
    QWidget window;
    window.resize(200, 100);
    auto* button = new QPushButton(QStringLiteral("ok"), &window);
    QObject::connect(button, &QPushButton::clicked, [] {
        std::printf("clicked\n");
        std::fflush(stdout);
    });
    window.show();
    QTimer::singleShot(0, [] {
        std::printf("waiting\n");
        std::fflush(stdout);
        seo::PumpingWait();
        std::printf("returned\n");
        std::fflush(stdout);
    });
    QTimer::singleShot(300, [button] { QTest::mouseClick(button, Qt::LeftButton); });
    QTimer::singleShot(400, [&window] { window.close(); });
    QTimer::singleShot(1500, [] {
        std::printf("still waiting\n");
        std::fflush(stdout);
        ::_exit(0);
    });
    QCoreApplication::exec();
    std::printf("loop ended\n");
    return 1;
}
APP_TEST_CHILD("endless-wait", EndlessWaitChild)

#include "wait_test.moc"
