// The window services on Qt: edit boxes and labels addressed by name in code page 936, the
// real dialogs driven as a user would, threads, and the state that start-up creates.
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <future>

#include <pthread.h>

#include "app/fatal_error_box.h"
#include "app/main_window.h"
#include "app/program_main.h"
#include "app/qt_window_services.h"
#include "generation/thread_start.h"
#include "app_tests.h"
#include "encoding/code_page.h"
#include "recording_dialogs.h"

namespace {

seo::Text Cp936(const char* utf8) { return seo::Utf8ToAnsi(utf8); }

// Runs `answer` on the first modal dialog that appears, from inside its own event loop.
void AnswerNextModal(std::function<void(QWidget*)> answer) {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, answer = std::move(answer)] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            answer(modal);
        }
    });
    poll->start(20);
}

void TypeIntoFileDialog(QWidget* modal, const QString& typed) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    QVERIFY(dialog);
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(name);
    name->setText(typed);
    static_cast<QDialog*>(dialog)->accept();
}

}  // namespace

class ServicesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        window_ = std::make_unique<seo::MainWindow>(seo::WindowSettings{"127.0.0.1:9", "forum.test", "1", "2"});
        services_ = std::make_unique<seo::QtWindowServices>(*window_, std::make_unique<seo::QtDialogs>());
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }

    void cleanupTestCase() {
        services_.reset();
        window_.reset();
    }

    void multiLineBoxesTakeAndGiveCrLfInCodePage936() {
        services_->SetEditText("编辑框2", Cp936("第一行\r\n第二行\r\n\r\nend"));
        auto* box = window_->findChild<QPlainTextEdit*>(QStringLiteral("编辑框2"));
        QCOMPARE(box->toPlainText(), QStringLiteral("第一行\n第二行\n\nend"));
        QCOMPARE(services_->GetEditText("编辑框2"), Cp936("第一行\r\n第二行\r\n\r\nend"));
        // What the user types with Enter comes back as CR LF too.
        box->setPlainText(QStringLiteral("甲\n乙"));
        QCOMPARE(services_->GetEditText("编辑框2"), Cp936("甲\r\n乙"));
        // A character code page 936 cannot hold reads as "?".
        box->setPlainText(QStringLiteral("a\U0001F600b"));
        QCOMPARE(services_->GetEditText("编辑框2"), seo::Text("a?b"));
    }

    void singleLineBoxAndLabelTakeTheirTexts() {
        services_->SetEditText("编辑框5", "12");
        QCOMPARE(window_->findChild<QLineEdit*>(QStringLiteral("编辑框5"))->text(), QStringLiteral("12"));
        QCOMPARE(services_->GetEditText("编辑框5"), seo::Text("12"));
        services_->SetLabelCaption("标签8", Cp936("内容正在处理，请稍后！"));
        QCOMPARE(window_->findChild<QLabel*>(QStringLiteral("标签8"))->text(), QStringLiteral("内容正在处理，请稍后！"));
        // A long text is not cut.
        const seo::Text longText(100'000, 'x');
        services_->SetEditText("编辑框5", longText);
        QCOMPARE(services_->GetEditText("编辑框5"), longText);
    }

    void unknownControlsAreLeftAlone() {
        services_->SetEditText("没有这个", "x");
        services_->SetLabelCaption("没有这个", "x");
        QCOMPARE(services_->GetEditText("没有这个"), seo::Text());
        // A label is not an edit box.
        QCOMPARE(services_->GetEditText("标签2"), seo::Text());
    }

    void messageBoxIsModalWithTitleTextAndOkOnly() {
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::Critical;
        int buttons = 0;
        bool modal = false;
        AnswerNextModal([&](QWidget* shown) {
            auto* box = qobject_cast<QMessageBox*>(shown);
            QVERIFY(box);
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttons = box->buttons().size();
            modal = box->isModal();
            box->button(QMessageBox::Ok)->click();
        });
        services_->ShowMessage(Cp936("保存目录不能为空"));
        QCOMPARE(title, QStringLiteral("信息："));
        QCOMPARE(text, QStringLiteral("保存目录不能为空"));
        QCOMPARE(icon, QMessageBox::NoIcon);
        QCOMPARE(buttons, 1);
        QVERIFY(modal);
    }

    void fileDialogGivesTheChosenFilesInOrderAndNothingOnCancel() {
        QTemporaryDir folder;
        for (const char* name : {"一.txt", "b.txt"}) {
            QFile file(folder.filePath(QString::fromUtf8(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QString title, startDirectory;
        QFileDialog::FileMode mode = QFileDialog::AnyFile;
        AnswerNextModal([&](QWidget* shown) {
            auto* dialog = qobject_cast<QFileDialog*>(shown);
            QVERIFY(dialog);
            title = dialog->windowTitle();
            startDirectory = dialog->directory().absolutePath();
            mode = dialog->fileMode();
            dialog->setDirectory(folder.path());
            TypeIntoFileDialog(dialog, QStringLiteral("\"b.txt\" \"一.txt\""));
        });
        const std::vector<seo::NativePath> chosen = services_->ChooseFilesToOpen(Cp936("请输入欲打开的文件："));
        QCOMPARE(title, QStringLiteral("请输入欲打开的文件："));
        QCOMPARE(startDirectory, QDir(QCoreApplication::applicationDirPath()).absolutePath());
        QCOMPARE(mode, QFileDialog::ExistingFiles);
        QCOMPARE(chosen.size(), std::size_t{2});
        QCOMPARE(QString::fromStdString(chosen[0]), folder.filePath(QStringLiteral("b.txt")));
        QCOMPARE(QString::fromStdString(chosen[1]), folder.filePath(QStringLiteral("一.txt")));

        AnswerNextModal([](QWidget* shown) { qobject_cast<QDialog*>(shown)->reject(); });
        QVERIFY(services_->ChooseFilesToOpen(Cp936("请输入欲打开的文件：")).empty());
    }

    void folderBrowserTakesATypedPathAndGivesNothingOnCancel() {
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("输出")));
        const QString target = folder.filePath(QStringLiteral("输出"));
        QString title;
        QFileDialog::FileMode mode = QFileDialog::AnyFile;
        AnswerNextModal([&](QWidget* shown) {
            auto* dialog = qobject_cast<QFileDialog*>(shown);
            QVERIFY(dialog);
            title = dialog->windowTitle();
            mode = dialog->fileMode();
            TypeIntoFileDialog(dialog, target);
        });
        const seo::NativePath chosen = services_->ChooseFolder(Cp936("请选择路径"));
        QCOMPARE(title, QStringLiteral("请选择路径"));
        QCOMPARE(mode, QFileDialog::Directory);
        QCOMPARE(QString::fromStdString(chosen), target);

        AnswerNextModal([](QWidget* shown) { qobject_cast<QDialog*>(shown)->reject(); });
        QCOMPARE(services_->ChooseFolder(Cp936("请选择路径")), seo::NativePath());
    }

    void addressesGoToTheDesktopHandlerAsGiven() {
        RecordingDialogs::Record record;
        seo::QtWindowServices services(*window_, std::make_unique<RecordingDialogs>(record));
        services.OpenAddress("https://forum.test/forum-78-1.html");
        QCOMPARE(record.addresses, QList<QUrl>{QUrl(QStringLiteral("https://forum.test/forum-78-1.html"))});
        // The file dialog starts in the program's own directory.
        record.filesToAnswer = {QStringLiteral("/tmp/x.txt")};
        QCOMPARE(services.ChooseFilesToOpen("t"), std::vector<seo::NativePath>{"/tmp/x.txt"});
        QCOMPARE(record.fileDirectories, QStringList{QCoreApplication::applicationDirPath()});
    }

    void threadsStartDetachedWithDeepStacks() {
        std::promise<std::size_t> stackSize;
        QVERIFY(services_->StartThread([&stackSize] {
            pthread_attr_t attributes;
            std::size_t size = 0;
            if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
                pthread_attr_getstacksize(&attributes, &size);
                pthread_attr_destroy(&attributes);
            }
            stackSize.set_value(size);
        }));
        std::future<std::size_t> result = stackSize.get_future();
        QVERIFY(result.wait_for(std::chrono::seconds(30)) == std::future_status::ready);
        QVERIFY(result.get() >= seo::kWorkerStackBytes);
    }

    void filesAreWrittenAndReadWhole() {
        QTemporaryDir folder;
        const seo::NativePath path = (folder.path() + QStringLiteral("/结果.txt")).toStdString();
        const seo::Bytes bytes = {'a', 0, 0xB0, 0xA1, '\r', '\n'};
        QVERIFY(services_->WriteWholeFile(path, bytes));
        QCOMPARE(services_->ReadWholeFile(path), bytes);
        QVERIFY(services_->WriteWholeFile(path, {'b'}));
        QCOMPARE(services_->ReadWholeFile(path), seo::Bytes{'b'});
        QCOMPARE(services_->ReadWholeFile(path + ".missing"), seo::Bytes());
    }

    void fatalErrorBoxHasTitleIconAndText() {
        std::unique_ptr<QMessageBox> box(seo::CreateFatalErrorBox(seo::IndexBelowOneError()));
        QCOMPARE(box->windowTitle(), QStringLiteral("错误"));
        QCOMPARE(box->icon(), QMessageBox::Critical);
        QCOMPARE(box->text(), QStringLiteral("运行时出错!\n\n错误代码：4\n\n错误信息：数组成员引用下标必须大于等于1\n"));
        QCOMPARE(box->buttons().size(), 1);
    }

    void processStateStartsEmptyAndIsReleasedToEmpty() {
        seo::ProcessState& state = seo::TheProcessState();
        QCOMPARE(&state, &seo::TheProcessState());
        QVERIFY(state.SaveDirectory().empty());
        QCOMPARE(state.ImportedFiles()->Count(), 0);
        state.SetSaveDirectory("/tmp/out");
        state.SetImportedFiles(seo::TextArray({"/tmp/a.txt"}));
        const auto held = state.ImportedFiles();
        seo::ReleaseProcessState();
        QVERIFY(state.SaveDirectory().empty());
        QCOMPARE(state.ImportedFiles()->Count(), 0);
        // A worker's snapshot outlives the release.
        QCOMPARE(held->At(1), seo::Text("/tmp/a.txt"));
    }

private:
    std::unique_ptr<seo::MainWindow> window_;
    std::unique_ptr<seo::QtWindowServices> services_;
};

APP_TEST_SUITE("services", ServicesTest)

#include "services_test.moc"
