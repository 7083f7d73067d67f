#include "app/app_icon.h"

#include <QPixmap>

#include "app/embedded.h"

namespace velora {

QIcon application_icon() {
    QIcon icon;
    for (std::string_view png : {AppIcon16, AppIcon32, AppIcon48, AppIcon64, AppIcon128, AppIcon256}) {
        QPixmap pixmap;
        if (pixmap.loadFromData(reinterpret_cast<const uchar*>(png.data()), static_cast<uint>(png.size()), "PNG")) {
            icon.addPixmap(pixmap);
        }
    }
    return icon;
}

}  // namespace velora
