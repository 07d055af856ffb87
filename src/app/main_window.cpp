#include "app/main_window.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>

#include <algorithm>
#include <limits>
#include <optional>

#include "app/window_icon.h"
#include "app/fixed_line_widgets.h"
#include "app/links_view.h"
#include "app/usage_picture.h"

namespace seo {
namespace {

const QColor kBlack(0, 0, 0);
const QColor kWhite(255, 255, 255);

// The tabs' titles are drawn at 21 pixels; a tab no taller than the text keeps the page's top
// rows free for the controls placed just below the tabs.
class CompactTabBar final : public QTabBar {
public:
    using QTabBar::QTabBar;

protected:
    QSize tabSizeHint(int index) const override {
        QSize size = QTabBar::tabSizeHint(index);
        size.setHeight(std::min(size.height(), fontMetrics().height() + 6));
        return size;
    }
};

class TabControl final : public QTabWidget {
public:
    explicit TabControl(QWidget* parent) : QTabWidget(parent) { setTabBar(new CompactTabBar(this)); }
};

// Of the characters typed, only digits and "-" reach the box; control keys and pasted text pass.
class TypedDigitsOnly final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
        for (const QChar c : key->text()) {
            if (c.isPrint() && !(c >= QLatin1Char('0') && c <= QLatin1Char('9')) && c != QLatin1Char('-')) {
                return true;
            }
        }
        return false;
    }
};

QFont PixelFont(const QFont& base, int pixels, QFont::Weight weight) {
    QFont font = base;
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

void SetColours(QWidget* control, QPalette::ColorRole foregroundRole, const QColor& foreground,
                std::optional<QPalette::ColorRole> backgroundRole = std::nullopt, const QColor& background = {}) {
    QPalette palette = control->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, foregroundRole, foreground);
        if (backgroundRole) palette.setColor(group, *backgroundRole, background);
    }
    control->setPalette(palette);
}

void MakeStandardLabel(QLabel* label, const QString& text) {
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setWordWrap(false);
    SetColours(label, QPalette::WindowText, kBlack);
}

template <typename Box>
void MakeMultiLineBox(Box* box, Qt::ScrollBarPolicy verticalBar) {
    box->setLineWrapMode(Box::WidgetWidth);
    box->setVerticalScrollBarPolicy(verticalBar);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    box->setTabChangesFocus(false);
}

QString UsageText(const WindowSettings& settings) {
    const QString host = QString::fromStdString(settings.serviceHost);
    const QStringList lines = {
        QStringLiteral("使用说明："),
        QString(),
        QStringLiteral("您只需将互联网的文章复制到待原创处理区，然后进行原创处理（本站全网独家原创算法，"
                       "并非是市面上的垃圾近义词替换的伪原创）"),
        QStringLiteral("本站原创处理的内容原创率在百分之95以上，而且拥有高质量的可读性，支持批量处理！"
                       "同时本站支持开发者api调用处理，"),
        QString(),
        QStringLiteral("调用接口说明地址 http://") + host + QStringLiteral("/api/api.docx    官方网址 http://") + host +
            QStringLiteral("/"),
        QStringLiteral("客服QQ ") + QString::fromStdString(settings.supportContactNumber),
    };
    // The box holds LF; the program reads it back as CR LF.
    return lines.join(QLatin1Char('\n'));
}

const QString kDescription = QStringLiteral(
    "禾鹊SEO原创文章生成网是全网独家最好的原创内容生成工具，为SEO优化者免费提供高质量原创内容生成服务，"
    "快速提升搜索引擎收录和关键词排名，SEO网站优化首选的站长工具，100%原创内容生成而并非伪原创（非近义词）处理，"
    "相关性原创文章一键生成，让天下再也没有难写的原创文章！");

}  // namespace

MainWindow::MainWindow(const WindowSettings& settings, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      settings_(settings) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("禾鹊SEO—原创内容生成软件 -全网独家原创算法（非近义词伪原创）适合任何行业使用 官方网址：") +
                   QString::fromStdString(settings_.serviceHost));
    setWindowIcon(ProgramIcon());
    setFixedSize(kClientSize);

    // Controls without a font of their own use the toolkit's face at the classic 12-pixel GUI size.
    setFont(PixelFont(QApplication::font(), 12, QFont::Normal));
    QPalette background = palette();
    const QColor buttonFace = QApplication::palette().color(QPalette::Button);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        background.setColor(group, QPalette::Window, buttonFace);
    }
    setPalette(background);
    setAutoFillBackground(true);

    tabs_ = new TabControl(this);
    tabs_->setObjectName(QStringLiteral("选择夹1"));
    tabs_->setGeometry(QRect(QPoint(0, 0), kClientSize));
    tabs_->setDocumentMode(true);
    tabs_->setTabPosition(QTabWidget::North);
    tabs_->tabBar()->setFont(PixelFont(font(), 21, QFont::Bold));
    tabs_->tabBar()->setExpanding(false);
    tabs_->tabBar()->setUsesScrollButtons(false);

    BuildGenerationPage();
    BuildUsagePage();
    BuildLinksPage();
    tabs_->setCurrentIndex(0);

    // Esc closes the window from anywhere in it, edit boxes included (they leave Esc alone).
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - kOuterSize.width()) / 2, area.y() + (area.height() - kOuterSize.height()) / 2);
    }
}

QPushButton* MainWindow::Button(const QString& name) const { return findChild<QPushButton*>(name); }

QWidget* MainWindow::AddPage(const QString& title) {
    auto* page = new QWidget;
    tabs_->addTab(page, title);
    if (!pageStack_) {
        pageStack_ = page->parentWidget();
        pageStack_->installEventFilter(this);
    }
    return page;
}

template <typename Control>
Control* MainWindow::Place(QWidget* page, const QString& name, QRect onTabControl) {
    auto* control = new Control(page);
    control->setObjectName(name);
    placements_.push_back({control, onTabControl});
    return control;
}

void MainWindow::PlaceControls() {
    QWidget* pages = tabs_->widget(0)->parentWidget();
    const QPoint pagesOrigin = pages->mapTo(tabs_, QPoint(0, 0));
    for (const Placement& placement : placements_) {
        if (placement.control) placement.control->setGeometry(placement.onTabControl.translated(-pagesOrigin));
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // The pages learn their place below the tab bar only when the tab control lays them out;
    // hidden pages get no events of their own, so follow the stack that holds them all.
    if (watched == pageStack_ && (event->type() == QEvent::Resize || event->type() == QEvent::Move)) PlaceControls();
    return QWidget::eventFilter(watched, event);
}

void MainWindow::BuildGenerationPage() {
    QWidget* page = AddPage(QStringLiteral("原创生成"));

    MakeStandardLabel(Place<QLabel>(page, QStringLiteral("标签2"), {8, 40, 96, 24}), QStringLiteral("待原创处理的文章"));
    MakeStandardLabel(Place<QLabel>(page, QStringLiteral("标签3"), {440, 40, 104, 24}),
                      QStringLiteral("处理后的原创文章"));

    auto* status = Place<QLabel>(page, QStringLiteral("标签8"), {680, 32, 168, 22});
    status->setTextFormat(Qt::PlainText);
    status->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    status->setFont(PixelFont(font(), 12, QFont::Bold));
    SetColours(status, QPalette::WindowText, QColor(255, 0, 0));

    for (auto [name, rect] : {std::pair{QStringLiteral("编辑框2"), QRect(8, 64, 416, 408)},
                              std::pair{QStringLiteral("编辑框3"), QRect(432, 64, 424, 408)}}) {
        auto* box = Place<QPlainTextEdit>(page, name, rect);
        MakeMultiLineBox(box, Qt::ScrollBarAlwaysOn);
        SetColours(box, QPalette::Text, kBlack, QPalette::Base, kWhite);
    }

    MakeStandardLabel(Place<QLabel>(page, QStringLiteral("标签5"), {16, 488, 64, 32}), QStringLiteral("处理次数"));

    auto* passes = Place<QLineEdit>(page, QStringLiteral("编辑框5"), {70, 493, 72, 24});
    passes->setMaxLength(std::numeric_limits<int>::max());
    passes->setText(QStringLiteral("1"));
    SetColours(passes, QPalette::Text, kBlack, QPalette::Base, kWhite);
    // Composed input would bypass the key filter.
    passes->setAttribute(Qt::WA_InputMethodEnabled, false);
    passes->installEventFilter(new TypedDigitsOnly(passes));

    struct ButtonPlace {
        const char* name;
        QRect rect;
        QString text;
    };
    const ButtonPlace buttons[] = {
        {"按钮1", {152, 487, 112, 32}, QStringLiteral("开始生成")},
        {"按钮6", {288, 488, 88, 32}, QStringLiteral("更多免费软件")},
        {"按钮2", {464, 495, 112, 32}, QStringLiteral("批量导入文件")},
        {"按钮4", {600, 494, 112, 32}, QStringLiteral("选择保存目录")},
        {"按钮3", {728, 494, 112, 32}, QStringLiteral("一键批量处理")},
        {"按钮5", {683, 532, 112, 24}, QStringLiteral("点击进入")},
    };
    for (const ButtonPlace& place : buttons) {
        auto* button = Place<QPushButton>(page, QString::fromUtf8(place.name), place.rect);
        button->setText(place.text);
        button->setAutoDefault(false);
    }

    MakeStandardLabel(Place<QLabel>(page, QStringLiteral("标签4"), {11, 536, 85, 16}), QStringLiteral("原创度检测数据"));
    MakeStandardLabel(Place<QLabel>(page, QStringLiteral("标签7"), {480, 536, 192, 16}),
                      QStringLiteral("在网站上面可以支持文字+图片处理"));

    auto* report = Place<FixedLineBox>(page, QStringLiteral("编辑框4"), {8, 560, 848, 48});
    MakeMultiLineBox(report, Qt::ScrollBarAlwaysOn);
    report->setFont(PixelFont(font(), 19, QFont::Bold));
    SetColours(report, QPalette::Text, QColor(255, 255, 0), QPalette::Base, QColor(0, 0, 128));
}

void MainWindow::BuildUsagePage() {
    QWidget* page = AddPage(QStringLiteral("使用说明"));

    auto* usage = Place<FixedLineBox>(page, QStringLiteral("编辑框1"), {8, 40, 848, 144});
    MakeMultiLineBox(usage, Qt::ScrollBarAlwaysOff);
    usage->setFont(PixelFont(font(), 15, QFont::Bold));
    SetColours(usage, QPalette::Text, QColor(255, 80, 128), QPalette::Base, kWhite);
    usage->setPlainText(UsageText(settings_));

    auto* description = Place<FixedLineLabel>(page, QStringLiteral("标签1"), {8, 192, 840, 88});
    description->setText(kDescription);
    description->setFont(PixelFont(font(), 21, QFont::Normal));
    SetColours(description, QPalette::WindowText, kBlack);

    // Drawn at its natural size from the corner and clipped; the rest shows the background.
    auto* picture = Place<QLabel>(page, QStringLiteral("图片框1"), {64, 282, 704, 326});
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picture->setFrameStyle(QFrame::NoFrame);
    picture->setPixmap(QPixmap::fromImage(UsagePicture()));
}

void MainWindow::BuildLinksPage() {
    QWidget* page = AddPage(QStringLiteral("友情链接"));

    auto* contact = Place<QLabel>(page, QStringLiteral("标签6"), {144, 36, 600, 32});
    MakeStandardLabel(contact,
                      QStringLiteral("交换友情交换联系客服QQ ") + QString::fromStdString(settings_.linksContactNumber));
    contact->setFont(PixelFont(font(), 37, QFont::Normal));

    const QUrl links(QStringLiteral("http://") + QString::fromStdString(settings_.serviceHost) +
                     QStringLiteral("/gg/you.html"));
    const QRect place(0, 72, 864, 544);
    QWidget* host = CreateLinksView(page, QStringLiteral("超文本浏览框2"), links, place.size());
    placements_.push_back({host, place});
}

}  // namespace seo
