#include "app/program_main.h"

#include <QApplication>

#include <cstdlib>
#include <memory>

#include "app/dialogs.h"
#include "app/fatal_error_box.h"
#include "app/flow_bindings.h"
#include "app/link_handlers.h"
#include "app/main_window.h"
#include "app/qt_window_services.h"
#include "app/window_icon.h"
#include "generation/process_limits.h"
#include "generation/service_protocol.h"

namespace seo {

ProcessState& TheProcessState() {
    static ProcessState* const state = new ProcessState;
    return *state;
}

void ReleaseProcessState() { TheProcessState().Release(); }

int ProgramMain(int& argc, char** argv, const WindowSettings& settings) {
    // The web view shares its drawing contexts with the window.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("seo-rewriter"));
    QGuiApplication::setWindowIcon(ProgramIcon());

    PrepareProcess();
    TheProcessState();
    // The program ends through quick_exit (see EndProgram), which calls this routine and no
    // static destructors, since batch workers may still be running then.
    static const bool registered = std::at_quick_exit(&ReleaseProcessState) == 0;
    (void)registered;
    InstallFatalErrorBox();

    MainWindow window(settings);
    // Batch workers use the services (its file operations) after the window is gone: it lives
    // until the process ends.
    auto* services = new QtWindowServices(window, std::make_unique<QtDialogs>());
    BindLinkButtons(window, *services);
    BindFlowButtons(window, *services, TheProcessState(), ServiceEndpointFor(settings.serviceHost));
    window.show();
    application.exec();

    // No box can be shown without the application.
    SetFatalErrorHandler(nullptr);
    return 0;
}

int ProgramMain(int& argc, char** argv) { return ProgramMain(argc, argv, CompiledWindowSettings()); }

void EndProgram(int exitCode) {
    // Workers still uploading end with the process; their files stay unwritten.
    std::quick_exit(exitCode);
}

}  // namespace seo
