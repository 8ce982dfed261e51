#include "resources/bitmaps.h"

#include <QString>
#include <algorithm>
#include <map>
#include <utility>

#include "platform/qt/pixel_surface.h"

// The images are compiled into the calendar's static library; a program that links the
// library without keeping all of it (a test) must register them itself before first use.
static void RegisterBitmapResources() {
    Q_INIT_RESOURCE(resources);
}

namespace moru {

namespace {

// The generator draws every bitmap at these resolutions; a larger window uses the finest.
constexpr int kFinestRatio = 3;

QImage Load(int id, int ratio) {
    const QString name = ratio == 1 ? QStringLiteral(":/bitmaps/%1.png").arg(id)
                                    : QStringLiteral(":/bitmaps/%1@%2x.png").arg(id).arg(ratio);
    QImage image(name);
    if (image.isNull()) {
        return image;
    }
    image = image.convertToFormat(QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    return image;
}

}  // namespace

const QImage& Bitmap(int id) {
    return Bitmap(id, WindowScale());
}

const QImage& Bitmap(int id, int ratio) {
    static std::map<std::pair<int, int>, QImage> loaded;
    static const bool registered = (RegisterBitmapResources(), true);
    (void)registered;
    ratio = std::clamp(ratio, 1, kFinestRatio);
    auto it = loaded.find({id, ratio});
    if (it == loaded.end()) {
        QImage image = Load(id, ratio);
        if (image.isNull() && ratio != 1) {
            image = Load(id, 1);  // a bitmap drawn only at the screens' own size
        }
        it = loaded.emplace(std::make_pair(id, ratio), std::move(image)).first;
    }
    return it->second;
}

}  // namespace moru
