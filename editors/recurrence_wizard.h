#pragma once
// The recurrence wizard: a modal dialog framing its pages (how often, until when), with Back,
// Next (which reads "Done" on the last page) and Cancel. The pages read from and write into
// the appointment editor's recurrence pattern; the wizard itself only answers OK or Cancel,
// and on Cancel nothing has been written to the pattern.
//     RecurrenceWizard wizard(parent);
//     wizard.AddPage(std::make_unique<PatternPage>(pattern), u" ", PatternPage::kDialogId);
//     wizard.AddPage(std::make_unique<RangePage>(pattern), u" ", RangePage::kDialogId);
//     if (CurrentUiHost().RunModal(wizard) == kIdOk) { ... the pattern holds the choices ... }
// A script that drives the wizard without running it calls Open() first.
#include <memory>
#include <string>
#include <vector>

#include "editors/wizard_page.h"
#include "platform/qt/pixel_dialog.h"

class QPushButton;

namespace moru {

class RecurrenceWizard : public PixelDialog {
    Q_OBJECT

public:
    static constexpr int kDialogId = 267;
    // The pages fill the wizard's top; the buttons sit below them.
    static constexpr DeviceRect kPageRect = DeviceRect::FromSize(0, 0, 240, 150);

    explicit RecurrenceWizard(QWidget* parent = nullptr);
    ~RecurrenceWizard() override;

    // Appends a page before the wizard opens; the wizard owns it from here on.
    void AddPage(std::unique_ptr<WizardPage> page, std::u16string title, int dialogId);
    // Leaves the page showing (which must take its values, or the switch is refused) and
    // shows the page at `index`.
    bool SetActivePage(int index);

    // Creates the pages and shows the first; once.
    void Open();
    int Exec() override;

    void Next();
    void Back();
    void accept() override;  // OK, as the Enter key sends it
    void reject() override;  // Cancel

    int activePage() const { return current_; }
    size_t pageCount() const { return pages_.size(); }
    WizardPage* page(size_t index) const;
    QPushButton* backButton() const { return back_; }
    QPushButton* nextButton() const { return next_; }
    QPushButton* cancelButton() const { return cancel_; }

    // For the pages: their controls are the wizard's children, placed in its logical pixels,
    // and their changes repaint the wizard's face.
    void PlacePageControl(QWidget* control, const DeviceRect& logical, const QFont* font = nullptr);
    void RepaintFace() { Invalidate(); }

protected:
    void Paint(QPainter& painter) override;
    void PenDown(int x, int y) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Page {
        std::unique_ptr<WizardPage> page;
        std::u16string title;
        int dialogId;
    };
    void ApplyAll();
    void DestroyPages();
    bool OnLastPage() const { return current_ == static_cast<int>(pages_.size()) - 1; }

    std::vector<Page> pages_;
    int current_ = -1;  // none shown yet
    bool opened_ = false;
    QPushButton* cancel_;
    QPushButton* back_;
    QPushButton* next_;
};

}  // namespace moru
