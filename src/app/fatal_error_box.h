#pragma once
// The box that reports a fatal error before the process ends.
#include <QString>

#include "text/fatal_error.h"

class QMessageBox;

namespace seo {

// Title "错误", the error icon, OK, and the error's text.
QMessageBox* CreateFatalErrorBox(const FatalError& error);

// From now on a fatal error on any thread is shown by the application's thread in the box,
// then the process ends with exit code -1.
void InstallFatalErrorBox();

}  // namespace seo
