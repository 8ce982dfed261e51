#include "resources/bitmaps.h"

#include <QString>
#include <map>

// The images are compiled into the calendar's static library; a program that links the
// library without keeping all of it (a test) must register them itself before first use.
static void RegisterBitmapResources() { Q_INIT_RESOURCE(resources); }

namespace moru {

const QImage& Bitmap(int id) {
    static std::map<int, QImage> loaded;
    static const bool registered = (RegisterBitmapResources(), true);
    (void)registered;
    auto it = loaded.find(id);
    if (it == loaded.end()) {
        QImage image(QStringLiteral(":/bitmaps/%1.png").arg(id));
        if (!image.isNull()) {
            image = image.convertToFormat(QImage::Format_RGB32);
        }
        it = loaded.emplace(id, std::move(image)).first;
    }
    return it->second;
}

}  // namespace moru
