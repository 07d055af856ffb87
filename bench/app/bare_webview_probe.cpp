// The baseline: a bare window that is one web view, built the plain way.
#include <QApplication>
#include <QUrl>
#include <QWebEngineView>

#include <cstring>

#include "startup_marks.h"

int main(int argc, char** argv) {
    QString host = QStringLiteral("127.0.0.1:8790");
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--host") == 0) host = QString::fromUtf8(argv[i + 1]);
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    startup_marks::Install();
    QWebEngineView view;
    view.resize(864, 616);
    view.load(QUrl(QStringLiteral("http://") + host + QStringLiteral("/gg/you.html")));
    view.show();
    return application.exec();
}
