#pragma once
// Prints "shown NS" when the first top-level window is exposed and "loaded NS OK" when the
// first web view finishes loading, NS being CLOCK_MONOTONIC nanoseconds (the clock the
// benchmark script reads before starting the process).
#include <QCoreApplication>
#include <QEvent>
#include <QExposeEvent>
#include <QWebEngineView>
#include <QWidget>
#include <QWindow>

#include <cstdio>
#include <ctime>

namespace startup_marks {

inline long long Now() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec;
}

class Marks final : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!connected_ && event->type() == QEvent::Show && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            // Show comes before the loop runs again, so the load cannot have finished yet.
            auto* window = static_cast<QWidget*>(watched);
            auto* view = qobject_cast<QWebEngineView*>(window);
            if (!view) view = window->findChild<QWebEngineView*>();
            if (view) {
                connected_ = true;
                connect(view, &QWebEngineView::loadFinished, this, [this](bool ok) {
                    if (loaded_) return;
                    loaded_ = true;
                    std::printf("loaded %lld %d\n", Now(), ok ? 1 : 0);
                    std::fflush(stdout);
                });
            }
        }
        if (!shown_ && event->type() == QEvent::Expose && watched->isWindowType() &&
            static_cast<QWindow*>(watched)->isExposed()) {
            shown_ = true;
            std::printf("shown %lld\n", Now());
            std::fflush(stdout);
        }
        return false;
    }

private:
    bool connected_ = false;
    bool shown_ = false;
    bool loaded_ = false;
};

inline void Install() { QCoreApplication::instance()->installEventFilter(new Marks); }

}  // namespace startup_marks
