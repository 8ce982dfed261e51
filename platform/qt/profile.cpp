#include "platform/qt/profile.h"

#include <QSettings>
#include <QString>

#include "platform/device_root.h"

namespace moru {
namespace {

QString ProfilePath() {
    return QString::fromStdString(TranslateDevicePath(kProfileFileDevicePath).string());
}

QString Key(std::u16string_view section, std::u16string_view entry) {
    return QString::fromStdU16String(std::u16string(section)) + QLatin1Char('/') +
           QString::fromStdU16String(std::u16string(entry));
}

}  // namespace

int GetProfileInt(std::u16string_view section, std::u16string_view entry, int defaultValue) {
    // A fresh reader each time: the file is small, read rarely, and may be edited by hand
    // between two starts.
    const QSettings settings(ProfilePath(), QSettings::IniFormat);
    const QVariant value = settings.value(Key(section, entry));
    if (!value.isValid()) {
        return defaultValue;
    }
    bool ok = false;
    const int number = value.toString().trimmed().toInt(&ok);
    return ok ? number : defaultValue;
}

bool WriteProfileInt(std::u16string_view section, std::u16string_view entry, int value) {
    QSettings settings(ProfilePath(), QSettings::IniFormat);
    settings.setValue(Key(section, entry), value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

}  // namespace moru
