#include "app/flow_bindings.h"

#include <QPushButton>

#include "app/main_window.h"
#include "generation/article_generation.h"
#include "generation/batch_processing.h"

namespace seo {

void BindFlowButtons(MainWindow& window, WindowServices& services, ProcessState& state, const Text& endpoint) {
    const auto bind = [&window](const char* name, auto handler) {
        if (QPushButton* button = window.Button(QString::fromUtf8(name))) {
            QObject::connect(button, &QPushButton::clicked, &window, handler);
        }
    };
    WindowServices* const s = &services;
    ProcessState* const p = &state;
    bind("按钮1", [s, endpoint] { OnGenerateClicked(*s, endpoint); });
    bind("按钮2", [s, p] { OnImportFilesClicked(*s, *p); });
    bind("按钮4", [s, p] { OnChooseSaveDirClicked(*s, *p); });
    bind("按钮3", [s, p, endpoint] { OnBatchProcessClicked(*s, *p, endpoint); });
}

}  // namespace seo
