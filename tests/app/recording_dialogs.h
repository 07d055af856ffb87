#pragma once
// Dialogs that answer from a script and remember what they were asked.
#include <QStringList>
#include <QUrl>

#include "app/dialogs.h"

class RecordingDialogs final : public seo::Dialogs {
public:
    struct Record {
        QStringList messages;
        QStringList fileTitles;
        QStringList fileDirectories;
        QStringList folderInstructions;
        QList<QUrl> addresses;
        QStringList filesToAnswer;
        QString folderToAnswer;
    };

    explicit RecordingDialogs(Record& record) : record_(record) {}

    void ShowMessage(QWidget*, const QString& title, const QString& text) override {
        record_.messages.append(title + QLatin1Char('|') + text);
    }
    QStringList ChooseFiles(QWidget*, const QString& title, const QString& directory) override {
        record_.fileTitles.append(title);
        record_.fileDirectories.append(directory);
        return record_.filesToAnswer;
    }
    QString ChooseFolder(QWidget*, const QString& instruction) override {
        record_.folderInstructions.append(instruction);
        return record_.folderToAnswer;
    }
    void OpenAddress(const QUrl& address) override { record_.addresses.append(address); }

private:
    Record& record_;
};
