// The program's main job in the real window against the stand-in service: the generate button
// and the three batch buttons, and the end of the program while batch workers still wait.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <cstdio>
#include <cstdlib>

#include "app/flow_bindings.h"
#include "app/main_window.h"
#include "app/program_main.h"
#include "app/qt_window_services.h"
#include "app_tests.h"
#include "encoding/code_page.h"
#include "generation/service_exchange.h"
#include "generation/service_protocol.h"
#include "json/json_document.h"
#include "recording_dialogs.h"
#include "support/service_process.h"
#include "text/text_ops.h"

namespace {

seo::WindowSettings SettingsFor(int port) {
    return {"127.0.0.1:" + std::to_string(port), "forum.test", "1", "2"};
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Click(seo::MainWindow& window, const char* name) {
    QTest::mouseClick(window.Button(QString::fromUtf8(name)), Qt::LeftButton);
}

// A child: fifty files imported, the batch started against a slow service, then the window
// closed and the program ended the way the real one ends, while every worker still waits.
int CloseWhileWorkersWait() {
    const int port = std::atoi(std::getenv("SEO_TEST_SERVICE_PORT"));
    const QString in = QString::fromLocal8Bit(std::getenv("SEO_TEST_INPUT"));
    const QString out = QString::fromLocal8Bit(std::getenv("SEO_TEST_OUTPUT"));
    RecordingDialogs::Record record;
    for (const QString& name : QDir(in).entryList(QDir::Files)) record.filesToAnswer.append(in + "/" + name);
    record.folderToAnswer = out;
    auto* window = new seo::MainWindow(SettingsFor(port));
    auto* services = new seo::QtWindowServices(*window, std::make_unique<RecordingDialogs>(record));
    auto* state = new seo::ProcessState;
    seo::BindFlowButtons(*window, *services, *state, seo::ServiceEndpointFor(window->Settings().serviceHost));
    window->show();
    Click(*window, "按钮2");
    Click(*window, "按钮4");
    Click(*window, "按钮3");
    QTest::qWait(500);  // the workers have sent their uploads and wait for the answers
    window->close();
    std::printf("closed with %lld files imported\n", static_cast<long long>(record.filesToAnswer.size()));
    std::fflush(stdout);
    seo::EndProgram(0);
}

APP_TEST_CHILD("close-while-workers-wait", CloseWhileWorkersWait)

}  // namespace

class FlowsTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        service_ = std::make_unique<seo::service_test::ServiceProcess>();
        QVERIFY2(service_->Port() != 0, "content-service did not start");
        window_ = std::make_unique<seo::MainWindow>(SettingsFor(service_->Port()));
        record_ = {};
        services_ = std::make_unique<seo::QtWindowServices>(*window_, std::make_unique<RecordingDialogs>(record_));
        state_ = std::make_unique<seo::ProcessState>();
        seo::BindFlowButtons(*window_, *services_, *state_, Endpoint());
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }

    void cleanup() {
        window_.reset();
        service_.reset();
    }

    void generateRewritesThePastedArticleAndShowsTheReport() {
        window_->findChild<QPlainTextEdit*>(QStringLiteral("编辑框2"))
            ->setPlainText(QStringLiteral("我们的文章很重要\n第二行内容"));
        auto* passes = window_->findChild<QLineEdit*>(QStringLiteral("编辑框5"));
        passes->clear();
        QTest::keyClicks(passes, QStringLiteral("2"));
        Click(*window_, "按钮1");

        const QString result = window_->findChild<QPlainTextEdit*>(QStringLiteral("编辑框3"))->toPlainText();
        const QString report = window_->findChild<QTextEdit*>(QStringLiteral("编辑框4"))->toPlainText();
        QVERIFY2(!result.isEmpty(), "no rewritten text");
        QVERIFY(result != QStringLiteral("我们的文章很重要\n第二行内容"));
        QCOMPARE(result.count(QLatin1Char('\n')), 1);  // the line break came back as a line break
        QVERIFY2(report.contains(QStringLiteral("原创度")), qPrintable(report));
        QCOMPARE(window_->findChild<QLabel*>(QStringLiteral("标签8"))->text(), QStringLiteral("内容正在处理，请稍后！"));
        window_->grab().save(QStringLiteral("screenshot-after-generation.png"));  // an artifact to look at
    }

    void batchButtonsSaveWhatTheServiceAnsweredForEachFile() {
        QTemporaryDir in, out;
        const QStringList names = {QStringLiteral("一.txt"), QStringLiteral("two.txt"), QStringLiteral("three.txt")};
        for (const QString& name : names) {
            QFile file(in.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QStringLiteral("我们的文章很重要，%1\r\n").arg(name).toUtf8());
            record_.filesToAnswer.append(in.filePath(name));
        }
        record_.folderToAnswer = out.path();
        Click(*window_, "按钮2");
        Click(*window_, "按钮4");
        Click(*window_, "按钮3");
        QTRY_VERIFY_WITH_TIMEOUT(QDir(out.path()).entryList(QDir::Files).size() == names.size(), 60000);

        for (const QString& name : names) {
            // The same upload once more, read directly: the service answers the same every time.
            const QByteArray content = ReadFile(in.filePath(name));
            seo::JsonDocument document = seo::JsonDocument::Create();
            seo::ReadServiceResponse(
                seo::UploadExchange(Endpoint(), seo::BuildUploadBody(seo::Utf8ToAnsi(name.toStdString()),
                                                                      seo::Bytes(content.begin(), content.end()))),
                document);
            const seo::Text expected = document.GetText("str");
            document.Destroy();
            QVERIFY(!expected.empty());
            QTRY_COMPARE_WITH_TIMEOUT(ReadFile(out.filePath(name)).toStdString(), expected, 60000);
        }
        QVERIFY(record_.messages.isEmpty());
    }

    void batchWithoutAFolderShowsTheMessage() {
        Click(*window_, "按钮3");
        QCOMPARE(record_.messages, QStringList{QStringLiteral("信息：|保存目录不能为空")});
    }

    void closingWhileWorkersWaitEndsAtOnce() {
        seo::service_test::ServiceProcess slow({"--delay-ms", "20000"});
        QVERIFY(slow.Port() != 0);
        QTemporaryDir in, out;
        for (int i = 0; i < 50; ++i) {
            QFile file(in.filePath(QStringLiteral("f%1.txt").arg(i)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("text");
        }
        qputenv("SEO_TEST_SERVICE_PORT", QByteArray::number(slow.Port()));
        qputenv("SEO_TEST_INPUT", in.path().toLocal8Bit());
        qputenv("SEO_TEST_OUTPUT", out.path().toLocal8Bit());
        const ChildResult child = RunChild(QStringLiteral("close-while-workers-wait"));
        QVERIFY(child.finished);
        QCOMPARE(child.exitCode, 0);
        QCOMPARE(child.output, QByteArray("closed with 50 files imported\n"));
        QVERIFY(QDir(out.path()).entryList(QDir::Files).isEmpty());  // unfinished workers wrote nothing
    }

private:
    seo::Text Endpoint() const { return seo::ServiceEndpointFor(window_->Settings().serviceHost); }

    std::unique_ptr<seo::service_test::ServiceProcess> service_;
    RecordingDialogs::Record record_;
    std::unique_ptr<seo::MainWindow> window_;
    std::unique_ptr<seo::QtWindowServices> services_;
    std::unique_ptr<seo::ProcessState> state_;
};

APP_TEST_SUITE("flows", FlowsTest)

#include "flows_test.moc"
