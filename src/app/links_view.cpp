#include "app/links_view.h"

#include <QMessageBox>
#include <QPointer>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace seo {
namespace {

// Script errors are shown, as a browser with its error dialogs on would; one box, kept up to
// date, so that a page full of errors does not bury the window.
class ReportingPage final : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                  const QString& source) override {
        if (level != ErrorMessageLevel) return;
        const QString text = QStringLiteral("此页上的脚本发生错误。\n\n行：%1\n错误：%2\n网址：%3")
                                 .arg(line)
                                 .arg(message, source);
        if (!box_) {
            box_ = new QMessageBox(QMessageBox::Warning, QStringLiteral("脚本错误"), text, QMessageBox::Ok,
                                   Window());
            box_->setObjectName(QStringLiteral("scriptErrorBox"));
            box_->setTextFormat(Qt::PlainText);
            box_->setAttribute(Qt::WA_DeleteOnClose);
            box_->setWindowModality(Qt::NonModal);
            box_->show();
        } else {
            box_->setText(text);
        }
    }

private:
    QWidget* Window() const {
        QWebEngineView* owner = QWebEngineView::forPage(this);
        return owner ? owner->window() : nullptr;
    }

    QPointer<QMessageBox> box_;
};

}  // namespace

QWidget* CreateLinksView(QWidget* parent, const QString& viewName, const QUrl& address, QSize size) {
    auto* host = new QWidget(parent);
    host->setObjectName(viewName + QStringLiteral("Host"));
    QPalette white = host->palette();
    white.setColor(QPalette::Window, Qt::white);
    host->setPalette(white);
    host->setAutoFillBackground(true);

    auto* webView = new QWebEngineView(host);
    webView->setObjectName(viewName);
    auto* page = new ReportingPage(webView);
    page->setBackgroundColor(Qt::white);
    webView->setPage(page);
    webView->setZoomFactor(1.0);  // medium text size
    // Fixed sizes, no layout: a layout of a page not yet shown would wait until it is.
    host->resize(size);
    webView->setGeometry(QRect(QPoint(0, 0), size));
    webView->load(address);
    return host;
}

}  // namespace seo
