#include "app/window_settings.h"

#include "settings.h"

namespace seo {

WindowSettings CompiledWindowSettings() {
    return {SEO_CONTENT_SERVICE_HOST, SEO_FORUM_HOST, SEO_LINKS_CONTACT_NUMBER, SEO_SUPPORT_CONTACT_NUMBER};
}

}  // namespace seo
