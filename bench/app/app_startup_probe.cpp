// The program's own start-up, as its entry runs it, against the service at --host.
#include <cstring>
#include <string>

#include "app/program_main.h"
#include "startup_marks.h"

static void InstallMarks() { startup_marks::Install(); }
Q_COREAPP_STARTUP_FUNCTION(InstallMarks)

int main(int argc, char** argv) {
    seo::WindowSettings settings = seo::CompiledWindowSettings();
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--host") == 0) settings.serviceHost = argv[i + 1];
    }
    return seo::ProgramMain(argc, argv, settings);
}
