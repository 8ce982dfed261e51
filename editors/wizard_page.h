#pragma once
// One page of the recurrence wizard: a part of the wizard's face with its own controls, all
// working on the recurrence pattern the appointment editor owns. The wizard creates the pages
// when it opens, shows one at a time, asks the page it leaves to take its control values into
// its fields, and on OK has each page write its fields into the pattern, in page order.
class QPainter;

namespace moru {

class RecurrenceWizard;

class WizardPage {
public:
    virtual ~WizardPage() = default;

    // Reads the page's fields from the pattern and makes its controls on the wizard (hidden).
    virtual void Create(RecurrenceWizard& wizard) = 0;
    virtual void SetShown(bool shown) = 0;
    // Takes the control values into the fields; false keeps the wizard on this page.
    virtual bool TakeValues() = 0;
    // Takes the control values, then writes the fields into the pattern.
    virtual void Apply() = 0;
    // Draws the page's pictures and static texts; the wizard paints it white first.
    virtual void Paint(QPainter& painter) const = 0;
    virtual void PenDown(int x, int y) = 0;
};

}  // namespace moru
