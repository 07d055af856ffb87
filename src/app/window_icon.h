#pragma once
// The program's icon, the same one the desktop entry installs.
#include <QIcon>

namespace seo {

QIcon ProgramIcon();

}  // namespace seo
