#include "app/link_handlers.h"

#include <QPushButton>

#include "app/main_window.h"

namespace seo {

void OnVisitSiteClicked(WindowServices& services, const WindowSettings& settings) {
    services.OpenAddress("http://" + settings.serviceHost + "/");
}

void OnMoreSoftwareClicked(WindowServices& services, const WindowSettings& settings) {
    services.OpenAddress("https://" + settings.forumHost + "/forum-78-1.html");
}

void BindLinkButtons(MainWindow& window, WindowServices& services) {
    if (QPushButton* visit = window.Button(QStringLiteral("按钮5"))) {
        QObject::connect(visit, &QPushButton::clicked, &window,
                         [&window, &services] { OnVisitSiteClicked(services, window.Settings()); });
    }
    if (QPushButton* more = window.Button(QStringLiteral("按钮6"))) {
        QObject::connect(more, &QPushButton::clicked, &window,
                         [&window, &services] { OnMoreSoftwareClicked(services, window.Settings()); });
    }
}

}  // namespace seo
