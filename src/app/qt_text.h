#pragma once
// The one crossing between the program's code page 936 texts and Qt's strings.
#include <QString>

#include "text/types.h"

namespace seo {

QString TextToQString(const Text& text);
Text QStringToText(const QString& string);

// Multi-line boxes: the program speaks CR LF, the box holds LF.
QString TextToMultiLine(const Text& text);
Text MultiLineToText(const QString& string);

}  // namespace seo
