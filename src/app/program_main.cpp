#include "app/program_main.h"

#include <QApplication>

#include <cstdlib>
#include <memory>

#include "app/dialogs.h"
#include "app/fatal_error_box.h"
#include "app/link_handlers.h"
#include "app/main_window.h"
#include "app/qt_window_services.h"

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

    TheProcessState();
    static const bool registered = std::atexit(&ReleaseProcessState) == 0;
    (void)registered;
    InstallFatalErrorBox();

    MainWindow window(settings);
    QtWindowServices services(window, std::make_unique<QtDialogs>());
    BindLinkButtons(window, services);
    window.show();
    application.exec();

    // No box can be shown without the application.
    SetFatalErrorHandler(nullptr);
    return 0;
}

int ProgramMain(int& argc, char** argv) { return ProgramMain(argc, argv, CompiledWindowSettings()); }

}  // namespace seo
