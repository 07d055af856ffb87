// Fatal errors end the program through the error box, whichever thread hits them. Each case
// runs in a child process that reports the box it saw, presses OK and is ended with -1.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <fstream>

#include <sys/resource.h>
#include <unistd.h>

#include "app/fatal_error_box.h"
#include "generation/thread_start.h"
#include "app_tests.h"
#include "text/text_array.h"

namespace {

// Prints what the first modal box shows, then presses its OK button.
void ReportTheBox() {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [poll] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        poll->stop();
        std::printf("title=%s\nicon=%d\n%s", box->windowTitle().toUtf8().constData(), static_cast<int>(box->icon()),
                    box->text().toUtf8().constData());
        std::fflush(stdout);
        box->button(QMessageBox::Ok)->click();
    });
    poll->start(20);
}

int RunFatalChild(std::function<void()> trigger) {
    seo::InstallFatalErrorBox();
    ReportTheBox();
    QTimer::singleShot(0, std::move(trigger));
    QTimer::singleShot(30'000, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    std::printf("not ended\n");
    return 0;
}

int IndexAboveCountOnTheWindowThread() {
    return RunFatalChild([] {
        seo::TextArray paths({"a"});
        std::printf("%s", paths.At(2).c_str());
    });
}

int IndexBelowOneOnAWorker() {
    return RunFatalChild([] {
        seo::StartDetachedThread([] {
            seo::TextArray paths;
            std::printf("%s", paths.At(0).c_str());
        });
    });
}

int ExhaustedMemory() {
    return RunFatalChild([] {
        // Room for the box, but not for the request.
        long pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlim_t limit = static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + (512u << 20);
        const rlimit space{limit, limit};
        ::setrlimit(RLIMIT_AS, &space);
        static char* volatile sink;
        sink = new char[1'500'000'000];
        sink[0] = 1;
    });
}

}  // namespace

APP_TEST_CHILD("fatal-index-above", IndexAboveCountOnTheWindowThread)
APP_TEST_CHILD("fatal-index-below-worker", IndexBelowOneOnAWorker)
APP_TEST_CHILD("fatal-memory", ExhaustedMemory)

class FatalTest : public QObject {
    Q_OBJECT

private slots:
    void errorBoxThenExitCodeMinusOne_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("text");
        QTest::newRow("index above the count, window thread")
            << QStringLiteral("fatal-index-above")
            << QStringLiteral("运行时出错!\n\n错误代码：1\n\n错误信息：数组成员引用下标超出定义范围\n");
        QTest::newRow("index below 1, worker thread")
            << QStringLiteral("fatal-index-below-worker")
            << QStringLiteral("运行时出错!\n\n错误代码：4\n\n错误信息：数组成员引用下标必须大于等于1\n");
        QTest::newRow("exhausted memory names the size")
            << QStringLiteral("fatal-memory") << QStringLiteral("运行时出错!\n\n错误信息：分配 1500000000 字节内存失败!\n");
    }

    void errorBoxThenExitCodeMinusOne() {
        QFETCH(QString, mode);
        QFETCH(QString, text);
        const ChildResult child = RunChild(mode);
        QVERIFY(child.finished);
        QCOMPARE(QString::fromUtf8(child.output),
                 QStringLiteral("title=错误\nicon=%1\n").arg(static_cast<int>(QMessageBox::Critical)) + text);
        QCOMPARE(child.exitCode, 255);
    }
};

APP_TEST_SUITE("fatal", FatalTest)

#include "fatal_test.moc"
