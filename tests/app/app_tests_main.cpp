#include <QApplication>
#include <QProcess>
#include <QTest>

#include <cstdio>
#include <map>
#include <string>

#include "app_tests.h"

namespace {

std::map<std::string, std::function<std::unique_ptr<QObject>()>>& Suites() {
    static std::map<std::string, std::function<std::unique_ptr<QObject>()>> suites;
    return suites;
}

std::map<std::string, std::function<int()>>& Children() {
    static std::map<std::string, std::function<int()>> children;
    return children;
}

}  // namespace

bool RegisterSuite(const char* name, std::function<std::unique_ptr<QObject>()> create) {
    return Suites().emplace(name, std::move(create)).second;
}

bool RegisterChild(const char* mode, std::function<int()> run) {
    return Children().emplace(mode, std::move(run)).second;
}

ChildResult RunChild(const QString& mode, int timeoutMs) {
    QProcess child;
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), mode});
    ChildResult result;
    if (!child.waitForStarted(timeoutMs)) return result;
    result.finished = child.waitForFinished(timeoutMs);
    if (!result.finished) {
        child.kill();
        child.waitForFinished(5000);
    }
    result.exitCode = child.exitCode();
    result.output = child.readAllStandardOutput();
    return result;
}

int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() >= 3 && arguments[1] == QLatin1String("--child")) {
        const auto child = Children().find(arguments[2].toStdString());
        return child == Children().end() ? 2 : child->second();
    }
    const auto suite = arguments.size() >= 2 ? Suites().find(arguments[1].toStdString()) : Suites().end();
    if (suite == Suites().end()) {
        std::fprintf(stderr, "usage: %s SUITE [QtTest options]; suites:", argv[0]);
        for (const auto& [name, create] : Suites()) std::fprintf(stderr, " %s", name.c_str());
        std::fprintf(stderr, "\n");
        return 2;
    }
    QStringList testArguments = arguments;
    testArguments.removeAt(1);
    std::unique_ptr<QObject> tests = suite->second();
    return QTest::qExec(tests.get(), testArguments);
}
