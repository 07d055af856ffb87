// Ending the program: Esc closes the window and the event loop ends; a close that comes during
// a pumping wait lets the waiting handler finish first; the endless wait never returns.
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

#include "app/main_window.h"
#include "app/qt_window_services.h"
#include "app_tests.h"

namespace {

seo::WindowSettings UnreachableService() { return {"127.0.0.1:9", "forum.test", "1", "2"}; }

// Runs the application's loop with a loose watchdog; 3 means the watchdog ended it.
int RunLoop() {
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(3); });
    watchdog.start(60'000);
    return QCoreApplication::exec();
}

}  // namespace

class ExitTest : public QObject {
    Q_OBJECT

private slots:
    void escapeInTheSourceBoxEndsTheProgram() {
        seo::MainWindow window(UnreachableService());
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* source = window.findChild<QPlainTextEdit*>(QStringLiteral("编辑框2"));
        source->setFocus();
        QTimer::singleShot(0, [source] {
            QTest::keyClicks(source, QStringLiteral("unsaved"));
            QTest::keyClick(source, Qt::Key_Escape);
        });
        QCOMPARE(RunLoop(), 0);
        QVERIFY(!window.isVisible());
        QCOMPARE(source->toPlainText(), QStringLiteral("unsaved"));
    }

    void closingDuringAWaitLetsTheHandlerFinishThenEnds() {
        seo::MainWindow window(UnreachableService());
        seo::QtWindowServices services(window, std::make_unique<seo::QtDialogs>());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        qint64 waited = -1;
        bool handlerFinished = false;
        QTimer::singleShot(0, [&] {
            QTimer::singleShot(50, &window, &QWidget::close);
            QElapsedTimer clock;
            clock.start();
            services.PumpingWait(400);
            waited = clock.elapsed();
            // The window and its boxes are still there to write to.
            services.SetEditText("编辑框3", "done");
            services.SetLabelCaption("标签8", "done");
            handlerFinished = true;
        });
        QCOMPARE(RunLoop(), 0);
        QVERIFY(handlerFinished);
        QVERIFY2(waited >= 400, qPrintable(QString::number(waited)));
        QVERIFY(!window.isVisible());
        QCOMPARE(window.findChild<QPlainTextEdit*>(QStringLiteral("编辑框3"))->toPlainText(), QStringLiteral("done"));
    }

    void endlessWaitKeepsHandlingEventsAndNeverReturns() {
        const ChildResult child = RunChild(QStringLiteral("endless-wait"));
        QVERIFY(child.finished);
        QCOMPARE(child.exitCode, 0);
        QCOMPARE(child.output, QByteArray("waiting\nclicked\nstill waiting\n"));
    }
};

APP_TEST_SUITE("exit", ExitTest)

#include "exit_test.moc"
