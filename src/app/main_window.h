#pragma once
// The program's only window: a tab control of three pages, "原创生成", "使用说明" and
// "友情链接". Controls carry the window description's names as object names.
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <vector>

#include "app/window_settings.h"

class QPushButton;
class QTabWidget;

namespace seo {

// The window's own size: the client area that the tab control fills. The window manager adds
// the frame, which makes the outer size.
inline constexpr QSize kClientSize{864, 616};
inline constexpr QSize kOuterSize{867, 643};

class MainWindow final : public QWidget {
public:
    explicit MainWindow(const WindowSettings& settings, QWidget* parent = nullptr);

    const WindowSettings& Settings() const { return settings_; }

    // A button by its object name (按钮1 … 按钮6), for binding its click handler.
    QPushButton* Button(const QString& name) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Placement {
        QPointer<QWidget> control;
        QRect onTabControl;  // where the control sits, counted from the tab control's corner
    };

    QWidget* AddPage(const QString& title);
    template <typename Control>
    Control* Place(QWidget* page, const QString& name, QRect onTabControl);
    void PlaceControls();
    void BuildGenerationPage();
    void BuildUsagePage();
    void BuildLinksPage();

    WindowSettings settings_;
    QTabWidget* tabs_ = nullptr;
    QWidget* pageStack_ = nullptr;  // the tab control's holder of all pages
    std::vector<Placement> placements_;
};

}  // namespace seo
