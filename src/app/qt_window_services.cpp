#include "app/qt_window_services.h"

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

#include "generation/thread_start.h"
#include "app/pumping_wait.h"
#include "app/qt_text.h"

namespace seo {
namespace {

const QString kMessageTitle = QStringLiteral("信息：");

template <typename Control>
Control* FindControl(QWidget& window, std::string_view name) {
    return window.findChild<Control*>(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
}

NativePath ToNativePath(const QString& path) {
    const QByteArray bytes = QFile::encodeName(path);
    return NativePath(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace

QtWindowServices::QtWindowServices(QWidget& window, std::unique_ptr<Dialogs> dialogs)
    : window_(window), dialogs_(std::move(dialogs)) {}

void QtWindowServices::SetLabelCaption(std::string_view control, const Text& caption) {
    if (auto* label = FindControl<QLabel>(window_, control)) label->setText(TextToQString(caption));
}

Text QtWindowServices::GetEditText(std::string_view control) {
    if (auto* box = FindControl<QPlainTextEdit>(window_, control)) return MultiLineToText(box->toPlainText());
    if (auto* box = FindControl<QTextEdit>(window_, control)) return MultiLineToText(box->toPlainText());
    if (auto* box = FindControl<QLineEdit>(window_, control)) return QStringToText(box->text());
    return {};
}

void QtWindowServices::SetEditText(std::string_view control, const Text& text) {
    if (auto* box = FindControl<QPlainTextEdit>(window_, control)) {
        box->setPlainText(TextToMultiLine(text));
    } else if (auto* box = FindControl<QTextEdit>(window_, control)) {
        box->setPlainText(TextToMultiLine(text));
    } else if (auto* box = FindControl<QLineEdit>(window_, control)) {
        box->setText(TextToQString(text));
    }
}

void QtWindowServices::ShowMessage(const Text& text) {
    dialogs_->ShowMessage(&window_, kMessageTitle, TextToMultiLine(text));
}

std::vector<NativePath> QtWindowServices::ChooseFilesToOpen(const Text& title) {
    const QStringList chosen =
        dialogs_->ChooseFiles(&window_, TextToQString(title), QCoreApplication::applicationDirPath());
    std::vector<NativePath> paths;
    paths.reserve(static_cast<std::size_t>(chosen.size()));
    for (const QString& path : chosen) paths.push_back(ToNativePath(path));
    return paths;
}

NativePath QtWindowServices::ChooseFolder(const Text& instruction) {
    return ToNativePath(dialogs_->ChooseFolder(&window_, TextToQString(instruction)));
}

bool QtWindowServices::PumpingWait(std::optional<std::int32_t> amount, std::int32_t unit) {
    return seo::PumpingWait(amount, unit);
}

void QtWindowServices::OpenAddress(const Text& url) { dialogs_->OpenAddress(QUrl(TextToQString(url))); }

bool QtWindowServices::StartThread(std::function<void()> routine) { return StartDetachedThread(std::move(routine)); }

}  // namespace seo
