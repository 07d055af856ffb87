#pragma once
// The embedded web view of the links page. The only place that includes the web engine, whose
// headers are slow to compile.
#include <QSize>
#include <QUrl>

class QWidget;

namespace seo {

// A white host of the given size filled by the web view (object name viewName), which starts
// loading the address at once, whether or not its page is showing.
QWidget* CreateLinksView(QWidget* parent, const QString& viewName, const QUrl& address, QSize size);

}  // namespace seo
