#pragma once
// The document of the calendar's single-document skeleton. It holds no data: appointments
// live in the store and the identifier lists in the category file, so there is nothing to
// open or save through it.
namespace moru {

class CPlumdialDoc {
public:
    // A new (empty) document is always ready.
    bool OnNewDocument() { return true; }
};

}  // namespace moru
