#pragma once
// The buttons that start the program's work: 按钮1 generates, 按钮2 imports files,
// 按钮4 chooses the save folder, 按钮3 starts the batch.
#include "generation/process_state.h"
#include "generation/window_services.h"

namespace seo {

class MainWindow;

// The services and the state must outlive every batch worker: the program keeps both until
// the process ends.
void BindFlowButtons(MainWindow& window, WindowServices& services, ProcessState& state, const Text& endpoint);

}  // namespace seo
