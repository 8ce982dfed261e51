// gen-bitmaps: draws every bitmap the calendar loads by number and writes them as
// <output-dir>/<id>.png. With --sheet <file> it also writes a contact sheet of all of them
// (or only of the --only numbers), enlarged --scale times (3 unless given), for looking the
// artwork over. With --icons <dir> it writes the program's icon in every theme size as
// <dir>/moru-calendar-<size>.png instead. Runs without a display.
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "tools/gen_bitmaps/app_icon.h"
#include "tools/gen_bitmaps/art_kit.h"
#include "tools/gen_bitmaps/catalogue.h"

namespace {

using moru::art::BitmapArt;

constexpr int kSheetGap = 6;      // pixels between images on the sheet (before enlarging)
constexpr int kSheetWidth = 260;  // sheet row width (before enlarging)

int WriteIcons(const QString& dir) {
    if (!QDir().mkpath(dir)) {
        std::fprintf(stderr, "gen-bitmaps: cannot create %s\n", qPrintable(dir));
        return 1;
    }
    for (const int size : moru::art::kAppIconSizes) {
        const QString file = QDir(dir).filePath(QStringLiteral("moru-calendar-%1.png").arg(size));
        if (!moru::art::AppIcon(size).save(file, "PNG")) {
            std::fprintf(stderr, "gen-bitmaps: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    std::printf("gen-bitmaps: wrote %zu icons to %s\n", moru::art::kAppIconSizes.size(),
                qPrintable(dir));
    return 0;
}

std::vector<BitmapArt> AllArt() {
    std::vector<BitmapArt> all;
    for (auto group :
         {moru::art::ScreenArt, moru::art::ClockArt, moru::art::ListArt, moru::art::EditorArt}) {
        for (auto& art : group()) {
            all.push_back(std::move(art));
        }
    }
    std::sort(all.begin(), all.end(),
              [](const BitmapArt& a, const BitmapArt& b) { return a.id < b.id; });
    return all;
}

// Lays the images out in rows on a grey sheet, each under its number, enlarged with
// nearest-neighbour scaling so single pixels stay visible.
QImage ContactSheet(const std::vector<std::pair<int, QImage>>& images, int scale) {
    struct Placed {
        int id;
        QPoint at;
    };
    std::vector<Placed> placed;
    constexpr int kLabel = 10;
    int x = kSheetGap;
    int y = kSheetGap;
    int rowHeight = 0;
    for (const auto& [id, image] : images) {
        if (x + image.width() > kSheetWidth && x > kSheetGap) {
            x = kSheetGap;
            y += rowHeight + kLabel + kSheetGap;
            rowHeight = 0;
        }
        placed.push_back({id, QPoint(x, y + kLabel)});
        x += image.width() + kSheetGap;
        rowHeight = std::max(rowHeight, image.height());
    }
    const int height = y + rowHeight + kLabel + kSheetGap;
    QImage sheet(kSheetWidth * scale, height * scale, QImage::Format_RGB32);
    sheet.fill(QColor(120, 120, 120));
    QPainter painter(&sheet);
    for (size_t i = 0; i < images.size(); ++i) {
        const QImage& image = images[i].second;
        const QPoint at = placed[i].at * scale;
        painter.drawImage(
            at, image.scaled(image.size() * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation));
        painter.setPen(Qt::white);
        painter.setFont(moru::art::ArtFont(moru::art::Face::Sans, 20, moru::art::Weight::Bold));
        painter.drawText(at + QPoint(0, -6), QString::number(placed[i].id));
    }
    return sheet;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    QString outputDir;
    QString sheetFile;
    int scale = 3;
    QList<int> only;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--sheet") && i + 1 < args.size()) {
            sheetFile = args[++i];
        } else if (args[i] == QLatin1String("--scale") && i + 1 < args.size()) {
            scale = std::clamp(args[++i].toInt(), 1, 20);
        } else if (args[i] == QLatin1String("--icons") && i + 1 < args.size()) {
            return WriteIcons(args[i + 1]);
        } else if (args[i] == QLatin1String("--only") && i + 1 < args.size()) {
            for (const QString& id : args[++i].split(QLatin1Char(','))) {
                only.append(id.toInt());
            }
        } else if (outputDir.isEmpty()) {
            outputDir = args[i];
        } else {
            std::fprintf(stderr,
                         "usage: gen-bitmaps <output-dir> [--sheet <file.png> [--scale N] [--only "
                         "id,id]] | --icons <dir>\n");
            return 2;
        }
    }
    if (outputDir.isEmpty()) {
        std::fprintf(
            stderr,
            "usage: gen-bitmaps <output-dir> [--sheet <file.png> [--scale N] [--only id,id]] | "
            "--icons <dir>\n");
        return 2;
    }
    if (!QDir().mkpath(outputDir)) {
        std::fprintf(stderr, "gen-bitmaps: cannot create %s\n", qPrintable(outputDir));
        return 1;
    }

    // Each bitmap at the screens' own resolution (<id>.png) and for windows shown at twice and
    // three times the size (<id>@2x.png, <id>@3x.png); the contact sheet shows the first.
    std::vector<std::pair<int, QImage>> drawn;
    for (const int ratio : {1, 2, 3}) {
        moru::art::SetArtRatio(ratio);
        for (const BitmapArt& art : AllArt()) {
            QImage image = art.draw().convertToFormat(QImage::Format_RGB32);
            if (image.size() != art.size * ratio) {
                std::fprintf(stderr, "gen-bitmaps: bitmap %d came out %dx%d, not %dx%d at %dx\n",
                             art.id, image.width(), image.height(), art.size.width() * ratio,
                             art.size.height() * ratio, ratio);
                return 1;
            }
            const QString name = ratio == 1 ? QStringLiteral("%1.png").arg(art.id)
                                            : QStringLiteral("%1@%2x.png").arg(art.id).arg(ratio);
            const QString file = QDir(outputDir).filePath(name);
            if (!image.save(file, "PNG")) {
                std::fprintf(stderr, "gen-bitmaps: cannot write %s\n", qPrintable(file));
                return 1;
            }
            if (ratio == 1) {
                drawn.emplace_back(art.id, std::move(image));
            }
        }
    }
    std::printf("gen-bitmaps: wrote %zu bitmaps to %s\n", drawn.size(), qPrintable(outputDir));
    if (!only.isEmpty()) {
        std::erase_if(drawn, [&](const auto& entry) { return !only.contains(entry.first); });
    }
    if (!sheetFile.isEmpty() && !ContactSheet(drawn, scale).save(sheetFile, "PNG")) {
        std::fprintf(stderr, "gen-bitmaps: cannot write %s\n", qPrintable(sheetFile));
        return 1;
    }
    return 0;
}
