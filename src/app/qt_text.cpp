#include "app/qt_text.h"

#include "encoding/code_page.h"

namespace seo {

QString TextToQString(const Text& text) {
    const Text utf8 = AnsiToUtf8(text);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

Text QStringToText(const QString& string) {
    const QByteArray utf8 = string.toUtf8();
    return Utf8ToAnsi(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

QString TextToMultiLine(const Text& text) {
    QString string = TextToQString(text);
    string.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    // A lone CR would otherwise vanish into the box; it reads as a line break there.
    string.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return string;
}

Text MultiLineToText(const QString& string) {
    QString withBreaks = string;
    withBreaks.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    withBreaks.replace(QChar::LineSeparator, QLatin1Char('\n'));
    withBreaks.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return QStringToText(withBreaks);
}

}  // namespace seo
