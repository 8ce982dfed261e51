#pragma once
// The About box: a title band ("About Moru Calendar" in blue over a black rule) above the
// program's name and version, with an OK button.
#include <QDialog>

namespace moru {

class CAboutDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kWidth = 240;
    static constexpr int kHeight = 120;

    // `scale` enlarges it like the screens, so it matches the window it comes from.
    explicit CAboutDialog(QWidget* parent = nullptr, int scale = 1);

    // The dialog as painted, at scale 1: what tests read pixels from.
    QImage Render() const;

    // "Version 0.1.0": the build's version as the box shows it.
    static QString VersionLine();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PaintContent(QPainter& painter) const;

    int scale_;
};

}  // namespace moru
