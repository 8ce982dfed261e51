#include "editors/recurrence_wizard.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>

#include "app/fonts.h"
#include "platform/qt/drawing.h"
#include "platform/ui_host.h"

namespace moru {
namespace {

constexpr QSize kWizardSize{240, 267};
constexpr DeviceRect kCancelButton = DeviceRect::FromSize(10, 150, 70, 24);
constexpr DeviceRect kBackButton = DeviceRect::FromSize(85, 150, 70, 24);
constexpr DeviceRect kNextButton = DeviceRect::FromSize(160, 150, 70, 24);

// A button that never takes the Enter key for itself: Enter is the wizard's OK.
QPushButton* MakeButton(QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

}  // namespace

RecurrenceWizard::RecurrenceWizard(QWidget* parent)
    : PixelDialog(kWizardSize, "RecurrenceWizard", parent),
      cancel_(MakeButton(this)),
      back_(MakeButton(this)),
      next_(MakeButton(this)) {
    connect(cancel_, &QPushButton::clicked, this, &RecurrenceWizard::reject);
    connect(back_, &QPushButton::clicked, this, &RecurrenceWizard::Back);
    connect(next_, &QPushButton::clicked, this, &RecurrenceWizard::Next);
}

RecurrenceWizard::~RecurrenceWizard() {
    DestroyPages();
}

void RecurrenceWizard::AddPage(std::unique_ptr<WizardPage> page, std::u16string title,
                               int dialogId) {
    pages_.push_back({std::move(page), std::move(title), dialogId});
}

WizardPage* RecurrenceWizard::page(size_t index) const {
    return index < pages_.size() ? pages_[index].page.get() : nullptr;
}

bool RecurrenceWizard::SetActivePage(int index) {
    if (index < 0 || index >= static_cast<int>(pages_.size())) {
        return false;
    }
    if (current_ >= 0) {
        WizardPage& leaving = *pages_[static_cast<size_t>(current_)].page;
        if (!leaving.TakeValues()) {
            return false;
        }
        leaving.SetShown(false);
    }
    current_ = index;
    pages_[static_cast<size_t>(index)].page->SetShown(true);
    Invalidate();
    return true;
}

void RecurrenceWizard::Open() {
    if (opened_) {
        return;
    }
    opened_ = true;
    setWindowTitle(QStringLiteral("Recurrence"));
    const QFont& font = FontArial10();
    PlaceControl(cancel_, kCancelButton, &font);
    PlaceControl(back_, kBackButton, &font);
    PlaceControl(next_, kNextButton, &font);
    for (Page& page : pages_) {
        page.page->Create(*this);
        page.page->SetShown(false);
    }
    back_->setEnabled(false);
    SetActivePage(0);
    back_->setText(QStringLiteral("Back"));
    next_->setText(pages_.size() < 2 ? QStringLiteral("Done") : QStringLiteral("Next"));
    cancel_->setText(QStringLiteral("Cancel"));
}

int RecurrenceWizard::Exec() {
    Open();
    return exec();
}

void RecurrenceWizard::Next() {
    if (OnLastPage()) {
        ApplyAll();
        DestroyPages();
        done(kIdOk);
        return;
    }
    if (!SetActivePage(current_ + 1)) {
        return;
    }
    if (OnLastPage()) {
        next_->setText(QStringLiteral("Done"));
    }
    back_->setEnabled(true);
}

void RecurrenceWizard::Back() {
    if (current_ <= 0) {
        return;
    }
    if (OnLastPage()) {
        next_->setText(QStringLiteral("Next"));
    }
    SetActivePage(current_ - 1);
    back_->setEnabled(current_ > 0);
}

void RecurrenceWizard::accept() {
    ApplyAll();
    DestroyPages();
    done(kIdOk);
}

void RecurrenceWizard::reject() {
    DestroyPages();
    done(kIdCancel);
}

// Every page writes its fields, in page order, whether or not it was ever shown: a page
// never visited writes back what it read, so the pattern keeps its values.
void RecurrenceWizard::ApplyAll() {
    for (Page& page : pages_) {
        page.page->Apply();
    }
}

void RecurrenceWizard::DestroyPages() {
    pages_.clear();
    current_ = -1;
}

void RecurrenceWizard::PlacePageControl(QWidget* control, const DeviceRect& logical,
                                        const QFont* font) {
    PlaceControl(control, logical, font);
}

void RecurrenceWizard::Paint(QPainter& painter) {
    gdi::FillRect(painter, {0, 0, kWizardSize.width(), kWizardSize.height()}, Qt::white);
    if (current_ >= 0) {
        pages_[static_cast<size_t>(current_)].page->Paint(painter);
    }
}

void RecurrenceWizard::PenDown(int x, int y) {
    if (current_ >= 0 && kPageRect.Contains(x, y)) {
        pages_[static_cast<size_t>(current_)].page->PenDown(x, y);
    }
}

void RecurrenceWizard::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    PixelDialog::keyPressEvent(event);
}

}  // namespace moru
