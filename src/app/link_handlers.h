#pragma once
// The two buttons that lead the user to the service's site and the maker's forum.
#include "app/window_settings.h"
#include "generation/window_services.h"

namespace seo {

class MainWindow;

// Opens the site's root, http://ServiceHost/, in the user's browser.
void OnVisitSiteClicked(WindowServices& services, const WindowSettings& settings);
// Opens the forum page, https://ForumHost/forum-78-1.html, in the user's browser.
void OnMoreSoftwareClicked(WindowServices& services, const WindowSettings& settings);

// Binds 按钮5 and 按钮6 of the window to the two handlers, with the window's settings.
void BindLinkButtons(MainWindow& window, WindowServices& services);

}  // namespace seo
