#include "app/dialogs.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace seo {

void QtDialogs::ShowMessage(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("messageBox"));
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

QStringList QtDialogs::ChooseFiles(QWidget* parent, const QString& title, const QString& directory) {
    QFileDialog dialog(parent, title, directory);
    dialog.setObjectName(QStringLiteral("openFilesDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles();
}

QString QtDialogs::ChooseFolder(QWidget* parent, const QString& instruction) {
    QFileDialog dialog(parent, instruction, QDir::homePath());
    dialog.setObjectName(QStringLiteral("folderDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

void QtDialogs::OpenAddress(const QUrl& address) { QDesktopServices::openUrl(address); }

}  // namespace seo
