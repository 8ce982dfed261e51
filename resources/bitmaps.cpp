#include "resources/bitmaps.h"

#include <QString>
#include <map>

namespace moru {

const QImage& Bitmap(int id) {
    static std::map<int, QImage> loaded;
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
