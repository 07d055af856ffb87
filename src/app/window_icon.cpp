#include "app/window_icon.h"

#include <QPixmap>

#include "app/window_icon_data.h"

namespace seo {

QIcon ProgramIcon() {
    QIcon icon;
    struct Png {
        const unsigned char* data;
        std::size_t size;
    };
    for (const Png& png : {Png{kIcon32Png, kIcon32PngSize}, Png{kIcon48Png, kIcon48PngSize},
                           Png{kIcon256Png, kIcon256PngSize}}) {
        QPixmap pixmap;
        if (pixmap.loadFromData(png.data, static_cast<uint>(png.size), "PNG")) icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace seo
