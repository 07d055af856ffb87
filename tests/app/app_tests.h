#pragma once
// One test program for the window: `app_tests SUITE [QtTest options]` runs one suite;
// `app_tests --child MODE` is a child process that a suite starts when the process itself must
// end (fatal errors) or never return (the endless wait).
#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

bool RegisterSuite(const char* name, std::function<std::unique_ptr<QObject>()> create);
bool RegisterChild(const char* mode, std::function<int()> run);

#define APP_TEST_SUITE(name, Class) \
    static const bool registered##Class = RegisterSuite(name, [] { return std::unique_ptr<QObject>(new Class); });

#define APP_TEST_CHILD(mode, function) static const bool registered##function = RegisterChild(mode, function);

struct ChildResult {
    bool finished = false;
    int exitCode = 0;
    QByteArray output;
};

// Runs this program as `--child MODE` and waits (loosely) for it to end; a child that does not
// end in time is killed.
ChildResult RunChild(const QString& mode, int timeoutMs = 60000);
