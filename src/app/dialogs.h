#pragma once
// The modal dialogs and the shell behind the window services, kept apart so that tests can
// answer them without a person at the screen.
#include <QString>
#include <QStringList>
#include <QUrl>

class QWidget;

namespace seo {

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Modal, OK only, no icon.
    virtual void ShowMessage(QWidget* parent, const QString& title, const QString& text) = 0;
    // Existing files only, several at once, no filter; empty on Cancel.
    virtual QStringList ChooseFiles(QWidget* parent, const QString& title, const QString& directory) = 0;
    // A folder; a path may be typed. Empty on Cancel.
    virtual QString ChooseFolder(QWidget* parent, const QString& instruction) = 0;
    // The user's default browser; the result is not examined.
    virtual void OpenAddress(const QUrl& address) = 0;
};

// The real thing: Qt's message box and file dialogs, and the desktop's URL handler.
class QtDialogs final : public Dialogs {
public:
    void ShowMessage(QWidget* parent, const QString& title, const QString& text) override;
    QStringList ChooseFiles(QWidget* parent, const QString& title, const QString& directory) override;
    QString ChooseFolder(QWidget* parent, const QString& instruction) override;
    void OpenAddress(const QUrl& address) override;
};

}  // namespace seo
