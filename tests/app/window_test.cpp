// The main window as the user meets it: every control in its place, the keys, the picture,
// the links page loading at start-up and the two link buttons.
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTest>
#include <QWebEngineView>

#include <memory>
#include <optional>

#include "app/link_handlers.h"
#include "app/main_window.h"
#include "app/qt_window_services.h"
#include "app_tests.h"
#include "local_page_server.h"
#include "recording_dialogs.h"

using seo::MainWindow;

namespace {

struct ControlCase {
    const char* name;
    const char* kind;
    int page;
    QRect onTabControl;
    std::optional<QString> text;  // nullopt: not compared here
    int fontPixels;
    int weight;
    std::optional<QColor> foreground;
    std::optional<QColor> background;
};

const QColor kBlack(0, 0, 0);
const QColor kWhite(255, 255, 255);

QString UsageText(const QString& host) {
    return QStringList{
        QStringLiteral("使用说明："),
        QString(),
        QStringLiteral("您只需将互联网的文章复制到待原创处理区，然后进行原创处理（本站全网独家原创算法，并非是市面上的垃圾近义词替换的伪原创）"),
        QStringLiteral("本站原创处理的内容原创率在百分之95以上，而且拥有高质量的可读性，支持批量处理！同时本站支持开发者api调用处理，"),
        QString(),
        QStringLiteral("调用接口说明地址 http://%1/api/api.docx    官方网址 http://%1/").arg(host),
        QStringLiteral("客服QQ 800000002"),
    }.join(QLatin1Char('\n'));
}

const QString kDescription = QStringLiteral(
    "禾鹊SEO原创文章生成网是全网独家最好的原创内容生成工具，为SEO优化者免费提供高质量原创内容生成服务，快速提升搜索引擎收录和关键词排名，SEO网站优化首选的站长工具，100%原创内容生成而并非伪原创（非近义词）处理，相关性原创文章一键生成，让天下再也没有难写的原创文章！");

std::vector<ControlCase> ControlTable(const QString& host) {
    const auto label = [](const char* name, int page, QRect rect, const QString& text) {
        return ControlCase{name, "QLabel", page, rect, text, 12, 400, kBlack, std::nullopt};
    };
    const auto button = [](const char* name, QRect rect, const QString& text) {
        return ControlCase{name, "QPushButton", 0, rect, text, 12, 400, std::nullopt, std::nullopt};
    };
    return {
        label("标签2", 0, {8, 40, 96, 24}, QStringLiteral("待原创处理的文章")),
        label("标签3", 0, {440, 40, 104, 24}, QStringLiteral("处理后的原创文章")),
        {"标签8", "QLabel", 0, {680, 32, 168, 22}, QString(), 12, 700, QColor(255, 0, 0), std::nullopt},
        {"编辑框2", "QPlainTextEdit", 0, {8, 64, 416, 408}, QString(), 12, 400, kBlack, kWhite},
        {"编辑框3", "QPlainTextEdit", 0, {432, 64, 424, 408}, QString(), 12, 400, kBlack, kWhite},
        label("标签5", 0, {16, 488, 64, 32}, QStringLiteral("处理次数")),
        {"编辑框5", "QLineEdit", 0, {70, 493, 72, 24}, QStringLiteral("1"), 12, 400, kBlack, kWhite},
        button("按钮1", {152, 487, 112, 32}, QStringLiteral("开始生成")),
        button("按钮6", {288, 488, 88, 32}, QStringLiteral("更多免费软件")),
        button("按钮2", {464, 495, 112, 32}, QStringLiteral("批量导入文件")),
        button("按钮4", {600, 494, 112, 32}, QStringLiteral("选择保存目录")),
        button("按钮3", {728, 494, 112, 32}, QStringLiteral("一键批量处理")),
        label("标签4", 0, {11, 536, 85, 16}, QStringLiteral("原创度检测数据")),
        label("标签7", 0, {480, 536, 192, 16}, QStringLiteral("在网站上面可以支持文字+图片处理")),
        button("按钮5", {683, 532, 112, 24}, QStringLiteral("点击进入")),
        {"编辑框4", "QTextEdit", 0, {8, 560, 848, 48}, QString(), 19, 700, QColor(255, 255, 0), QColor(0, 0, 128)},
        {"编辑框1", "QTextEdit", 1, {8, 40, 848, 144}, UsageText(host), 15, 700, QColor(255, 80, 128), kWhite},
        {"标签1", "QLabel", 1, {8, 192, 840, 88}, kDescription, 21, 400, kBlack, std::nullopt},
        {"图片框1", "QLabel", 1, {64, 282, 704, 326}, QString(), 12, 400, std::nullopt, std::nullopt},
        {"标签6", "QLabel", 2, {144, 36, 600, 32}, QStringLiteral("交换友情交换联系客服QQ 800000001"), 37, 400, kBlack,
         std::nullopt},
        {"超文本浏览框2", "QWebEngineView", 2, {0, 72, 864, 544}, std::nullopt, 0, 0, std::nullopt, std::nullopt},
    };
}

QString TextOf(QWidget* control) {
    if (auto* label = qobject_cast<QLabel*>(control)) return label->text();
    if (auto* box = qobject_cast<QPlainTextEdit*>(control)) return box->toPlainText();
    if (auto* box = qobject_cast<QTextEdit*>(control)) return box->toPlainText();
    if (auto* box = qobject_cast<QLineEdit*>(control)) return box->text();
    if (auto* button = qobject_cast<QPushButton*>(control)) return button->text();
    return {};
}

// What a user could see change: the page shown and every text.
QStringList WindowSnapshot(MainWindow& window) {
    QStringList snapshot{QString::number(window.findChild<QTabWidget*>(QStringLiteral("选择夹1"))->currentIndex())};
    for (QWidget* control : window.findChildren<QWidget*>()) {
        if (!control->objectName().isEmpty()) snapshot.append(control->objectName() + QLatin1Char('=') + TextOf(control));
    }
    return snapshot;
}

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        server_ = std::make_unique<LocalPageServer>(
            QByteArray("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>links</title></head>"
                       "<body style=\"background:#fff\"><h2>友情链接</h2><p>本地测试页面</p></body></html>"));
        QVERIFY(server_->Port() != 0);
        server_->OnRequest([this](const QString&) {
            if (!window_) return;
            tabIndexAtRequest_ = Tabs()->currentIndex();
            linksPageVisibleAtRequest_ = Tabs()->widget(2)->isVisible();
        });
        settings_ = {server_->Host().toStdString(), "forum.test", "800000001", "800000002"};
        window_ = std::make_unique<MainWindow>(settings_);
        auto* view = window_->findChild<QWebEngineView*>(QStringLiteral("超文本浏览框2"));
        QVERIFY(view);
        loadFinished_ = std::make_unique<QSignalSpy>(view, &QWebEngineView::loadFinished);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }

    void cleanupTestCase() {
        window_.reset();
        server_.reset();
    }

    void windowHasItsTitleSizeAndFrame() {
        QCOMPARE(window_->windowTitle(),
                 QStringLiteral("禾鹊SEO—原创内容生成软件 -全网独家原创算法（非近义词伪原创）适合任何行业使用 官方网址：") +
                     server_->Host());
        QCOMPARE(window_->size(), QSize(864, 616));
        QCOMPARE(window_->minimumSize(), window_->maximumSize());
        const Qt::WindowFlags flags = window_->windowFlags();
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(flags & Qt::WindowMinimizeButtonHint);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(flags & Qt::WindowSystemMenuHint);
        QCOMPARE(window_->windowType(), Qt::Window);
        QCOMPARE(window_->palette().color(QPalette::Window), QApplication::palette().color(QPalette::Button));
        // Centred as a window of the outer size 867 x 643.
        const QRect area = window_->screen()->availableGeometry();
        const QPoint expected(area.x() + (area.width() - 867) / 2, area.y() + (area.height() - 643) / 2);
        QVERIFY2((window_->frameGeometry().topLeft() - expected).manhattanLength() <= 40,
                 qPrintable(QStringLiteral("window at %1,%2").arg(window_->frameGeometry().x()).arg(window_->frameGeometry().y())));
    }

    void tabControlFillsTheWindowWithThreePages() {
        QTabWidget* tabs = Tabs();
        QCOMPARE(tabs->geometry(), QRect(0, 0, 864, 616));
        QCOMPARE(tabs->count(), 3);
        QCOMPARE(tabs->tabText(0), QStringLiteral("原创生成"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("使用说明"));
        QCOMPARE(tabs->tabText(2), QStringLiteral("友情链接"));
        QCOMPARE(tabs->tabPosition(), QTabWidget::North);
        QCOMPARE(tabs->tabBar()->font().pixelSize(), 21);
        QCOMPARE(tabs->tabBar()->font().weight(), QFont::Bold);
        QCOMPARE(tabs->currentIndex(), 0);
    }

    void everyControlIsInItsPlaceWithItsTextFontAndColours() {
        QTabWidget* tabs = Tabs();
        for (const ControlCase& c : ControlTable(server_->Host())) {
            const QString name = QString::fromUtf8(c.name);
            QWidget* control = window_->findChild<QWidget*>(name);
            QVERIFY2(control, c.name);
            QVERIFY2(control->inherits(c.kind), c.name);
            QVERIFY2(tabs->widget(c.page)->isAncestorOf(control), c.name);
            const QRect onTabControl(control->mapTo(tabs, QPoint(0, 0)), control->size());
            QVERIFY2(onTabControl == c.onTabControl,
                     qPrintable(name + QStringLiteral(" at %1,%2 %3x%4")
                                           .arg(onTabControl.x())
                                           .arg(onTabControl.y())
                                           .arg(onTabControl.width())
                                           .arg(onTabControl.height())));
            QVERIFY2(control->isEnabled() && !control->isHidden(), c.name);
            if (c.text) QVERIFY2(TextOf(control) == *c.text, c.name);
            if (c.fontPixels) {
                QVERIFY2(control->font().pixelSize() == c.fontPixels, c.name);
                QVERIFY2(control->font().weight() == c.weight, c.name);
            }
            const bool isEdit = qobject_cast<QPlainTextEdit*>(control) || qobject_cast<QTextEdit*>(control) ||
                                qobject_cast<QLineEdit*>(control);
            if (c.foreground) {
                const QColor shown = control->palette().color(isEdit ? QPalette::Text : QPalette::WindowText);
                QVERIFY2(shown == *c.foreground, c.name);
            }
            if (c.background) QVERIFY2(control->palette().color(QPalette::Base) == *c.background, c.name);
        }
    }

    void controlsBehaveAsTheirKindSays() {
        for (const char* name : {"编辑框2", "编辑框3"}) {
            auto* box = window_->findChild<QPlainTextEdit*>(QString::fromUtf8(name));
            QCOMPARE(box->lineWrapMode(), QPlainTextEdit::WidgetWidth);
            QCOMPARE(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
            QCOMPARE(box->frameShadow(), QFrame::Sunken);
            QVERIFY(!box->isReadOnly());
        }
        auto* report = window_->findChild<QTextEdit*>(QStringLiteral("编辑框4"));
        QCOMPARE(report->lineWrapMode(), QTextEdit::WidgetWidth);
        QCOMPARE(report->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(report->frameShadow(), QFrame::Sunken);
        QVERIFY(!report->isReadOnly() && !report->acceptRichText());
        auto* usage = window_->findChild<QTextEdit*>(QStringLiteral("编辑框1"));
        QCOMPARE(usage->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(usage->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QVERIFY(!usage->isReadOnly() && !usage->acceptRichText());
        auto* passes = window_->findChild<QLineEdit*>(QStringLiteral("编辑框5"));
        QVERIFY(passes->maxLength() > 1'000'000);
        auto* status = window_->findChild<QLabel*>(QStringLiteral("标签8"));
        QCOMPARE(status->alignment(), Qt::AlignHCenter | Qt::AlignVCenter);
        auto* description = window_->findChild<QLabel*>(QStringLiteral("标签1"));
        QVERIFY(description->wordWrap());
        QCOMPARE(description->alignment(), Qt::AlignLeft | Qt::AlignTop);
        // An ampersand is shown as it is, not taken as a mnemonic or markup.
        auto* plain = window_->findChild<QLabel*>(QStringLiteral("标签7"));
        QCOMPARE(plain->textFormat(), Qt::PlainText);
        for (const char* name : {"按钮1", "按钮2", "按钮3", "按钮4", "按钮5", "按钮6"}) {
            QVERIFY(window_->Button(QString::fromUtf8(name)));
            QVERIFY(window_->Button(QString::fromUtf8(name))->icon().isNull());
        }
    }

    void usageTextAndTwoReportLinesFitTheirBoxes() {
        auto* usage = window_->findChild<QTextEdit*>(QStringLiteral("编辑框1"));
        QVERIFY2(usage->document()->size().height() <= usage->viewport()->height(),
                 qPrintable(QString::number(usage->document()->size().height())));
        // Lines typed into the report box keep the same step as lines set by the program.
        auto* report = window_->findChild<QTextEdit*>(QStringLiteral("编辑框4"));
        report->setFocus();
        QTest::keyClicks(report, QStringLiteral("98%"));
        QTest::keyClick(report, Qt::Key_Return);
        QTest::keyClicks(report, QStringLiteral("2%"));
        QCOMPARE(report->toPlainText(), QStringLiteral("98%\n2%"));
        QVERIFY2(report->document()->size().height() <= report->viewport()->height(),
                 qPrintable(QString::number(report->document()->size().height())));
        report->clear();
    }

    void passCountBoxTakesTypedDigitsAndMinusButAnyPaste() {
        auto* passes = window_->findChild<QLineEdit*>(QStringLiteral("编辑框5"));
        passes->setFocus();
        passes->clear();
        QTest::keyClicks(passes, QStringLiteral("abc xyz"));
        QCOMPARE(passes->text(), QString());
        QTest::keyClicks(passes, QStringLiteral("1a2"));
        QCOMPARE(passes->text(), QStringLiteral("12"));
        passes->clear();
        QTest::keyClicks(passes, QStringLiteral("-3"));
        QCOMPARE(passes->text(), QStringLiteral("-3"));
        QTest::keyClick(passes, Qt::Key_Backspace);
        QCOMPARE(passes->text(), QStringLiteral("-"));
        passes->clear();
        QApplication::clipboard()->setText(QStringLiteral("abc"));
        QTest::keyClick(passes, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(passes->text(), QStringLiteral("abc"));
        passes->setText(QStringLiteral("1"));
    }

    void enterInAMultiLineBoxMakesANewLineAndKeepsTheFocus() {
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        auto* source = window_->findChild<QPlainTextEdit*>(QStringLiteral("编辑框2"));
        source->setFocus();
        QCOMPARE(QApplication::focusWidget(), source);
        QTest::keyClicks(source, QStringLiteral("ab"));
        QTest::keyClick(source, Qt::Key_Return);
        QTest::keyClicks(source, QStringLiteral("cd"));
        QCOMPARE(source->toPlainText(), QStringLiteral("ab\ncd"));
        QCOMPARE(QApplication::focusWidget(), source);
        auto* passes = window_->findChild<QLineEdit*>(QStringLiteral("编辑框5"));
        passes->setFocus();
        QTest::keyClick(passes, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), passes);
        source->clear();
    }

    void linksPageIsRequestedAtStartUpBeforeItsPageIsOpened() {
        QTRY_VERIFY_WITH_TIMEOUT(server_->Paths().contains(QStringLiteral("/gg/you.html")), 60000);
        QCOMPARE(tabIndexAtRequest_, 0);
        QVERIFY(!linksPageVisibleAtRequest_);
        QTRY_VERIFY_WITH_TIMEOUT(loadFinished_->count() >= 1, 60000);
        QCOMPARE(loadFinished_->first().first().toBool(), true);
        auto* view = window_->findChild<QWebEngineView*>(QStringLiteral("超文本浏览框2"));
        QCOMPARE(view->url(), QUrl(QStringLiteral("http://%1/gg/you.html").arg(server_->Host())));
        QCOMPARE(view->zoomFactor(), 1.0);
        QCOMPARE(view->parentWidget()->palette().color(QPalette::Window), kWhite);
    }

    void usagePictureShowsItsTopRowsAndBackgroundAtTheRight() {
        auto* picture = window_->findChild<QLabel*>(QStringLiteral("图片框1"));
        QCOMPARE(picture->pixmap().size(), QSize(700, 594));
        Tabs()->setCurrentIndex(1);
        const QImage shot = GrabWindow();
        Tabs()->setCurrentIndex(0);
        const QPoint corner = picture->mapTo(window_.get(), QPoint(0, 0));
        const QColor background = window_->palette().color(QPalette::Window);
        int differing = 0;
        for (int y = 0; y < 326; y += 13) {
            for (int x = 0; x < 700; x += 25) differing += shot.pixelColor(corner + QPoint(x, y)) != background;
        }
        QVERIFY2(differing > 100, qPrintable(QString::number(differing)));
        for (int y = 0; y < 326; ++y) {
            for (int x = 700; x < 704; ++x) {
                QVERIFY2(shot.pixelColor(corner + QPoint(x, y)) == background,
                         qPrintable(QStringLiteral("strip pixel %1,%2").arg(x).arg(y)));
            }
        }
    }

    void linkButtonsOpenTheSiteAndTheForumAndChangeNothing() {
        RecordingDialogs::Record record;
        MainWindow window(settings_);
        seo::QtWindowServices ownServices(window, std::make_unique<RecordingDialogs>(record));
        seo::BindLinkButtons(window, ownServices);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QStringList before = WindowSnapshot(window);
        QTest::mouseClick(window.Button(QStringLiteral("按钮5")), Qt::LeftButton);
        QCOMPARE(record.addresses, QList<QUrl>{QUrl(QStringLiteral("http://%1/").arg(server_->Host()))});
        QTest::mouseClick(window.Button(QStringLiteral("按钮6")), Qt::LeftButton);
        QCOMPARE(record.addresses.size(), 2);
        QCOMPARE(record.addresses[1], QUrl(QStringLiteral("https://forum.test/forum-78-1.html")));
        QCOMPARE(WindowSnapshot(window), before);
        QVERIFY(record.messages.isEmpty() && record.fileTitles.isEmpty() && record.folderInstructions.isEmpty());
    }

    void scriptErrorsOfTheLinksPageAreShown() {
        LocalPageServer broken(QByteArray("<html><body><script>notDefinedAnywhere();</script></body></html>"));
        MainWindow window({broken.Host().toStdString(), "forum.test", "1", "2"});
        window.show();
        QMessageBox* box = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((box = window.findChild<QMessageBox*>(QStringLiteral("scriptErrorBox"))), 60000);
        QCOMPARE(box->windowTitle(), QStringLiteral("脚本错误"));
        QVERIFY2(box->text().contains(QStringLiteral("notDefinedAnywhere")), qPrintable(box->text()));
        QVERIFY(!box->isModal());
        box->close();
    }

    void screenshotsOfEveryPage() {
        QTRY_VERIFY_WITH_TIMEOUT(loadFinished_->count() >= 1, 60000);
        const char* files[] = {"screenshot-generation.png", "screenshot-usage.png", "screenshot-links.png"};
        for (int page = 0; page < 3; ++page) {
            Tabs()->setCurrentIndex(page);
            // The web view paints in its own time once shown.
            QTest::qWait(page == 2 ? 1500 : 200);
            const QImage shot = GrabWindow();
            QVERIFY(!shot.isNull());
            QVERIFY(shot.save(QString::fromUtf8(files[page])));
        }
        Tabs()->setCurrentIndex(0);
    }

private:
    QTabWidget* Tabs() const { return window_->findChild<QTabWidget*>(QStringLiteral("选择夹1")); }

    QImage GrabWindow() {
        QCoreApplication::processEvents();
        QTest::qWait(50);
        return window_->screen()->grabWindow(window_->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    }

    std::unique_ptr<LocalPageServer> server_;
    seo::WindowSettings settings_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<QSignalSpy> loadFinished_;
    int tabIndexAtRequest_ = -1;
    bool linksPageVisibleAtRequest_ = true;
};

APP_TEST_SUITE("window", WindowTest)

#include "window_test.moc"
