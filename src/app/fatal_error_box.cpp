#include "app/fatal_error_box.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QThread>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <unistd.h>

#include "app/qt_text.h"

namespace seo {
namespace {

std::atomic<bool> reportStarted{false};
thread_local bool reportingOnThisThread = false;

[[noreturn]] void EndProcess() {
    std::fflush(nullptr);
    std::_Exit(-1);
}

[[noreturn]] void ShowAndEnd(const FatalError& error) {
    std::unique_ptr<QMessageBox> box(CreateFatalErrorBox(error));
    box->exec();
    EndProcess();
}

[[noreturn]] void WriteToStandardErrorAndEnd(const FatalError& error) {
    const Text text = FatalErrorText(error);
    ssize_t ignored = ::write(STDERR_FILENO, text.data(), text.size());
    (void)ignored;
    EndProcess();
}

void ReportFatalError(const FatalError& error) {
    // Failing again while the box is being built (memory, most likely): no box to be had.
    if (reportingOnThisThread) WriteToStandardErrorAndEnd(error);
    // One report per process; any other thread that fails meanwhile waits to be ended with it.
    if (reportStarted.exchange(true)) {
        for (;;) ::pause();
    }
    reportingOnThisThread = true;
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr) WriteToStandardErrorAndEnd(error);
    if (QThread::currentThread() == application->thread()) ShowAndEnd(error);
    // Boxes belong to the window's thread: hand the error over and wait to be ended there.
    QMetaObject::invokeMethod(application, [error] { ShowAndEnd(error); }, Qt::QueuedConnection);
    for (;;) ::pause();
}

}  // namespace

QMessageBox* CreateFatalErrorBox(const FatalError& error) {
    QString text = TextToQString(FatalErrorText(error));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    auto* box = new QMessageBox(QMessageBox::Critical, QStringLiteral("错误"), text, QMessageBox::Ok);
    box->setObjectName(QStringLiteral("fatalErrorBox"));
    box->setTextFormat(Qt::PlainText);
    return box;
}

void InstallFatalErrorBox() { SetFatalErrorHandler(&ReportFatalError); }

}  // namespace seo
