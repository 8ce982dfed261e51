#pragma once
// moru-device's store commands: add, list, query, show, delete, count and reminders. Each takes the
// words after its name, writes its results to out and its one-line complaints to err, and
// returns the process exit code (arguments.h).
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/poom/poom.h"

namespace moru::device {

struct OpenStore {
    std::shared_ptr<poom::Application> application;
    std::optional<poom::Folder> folder;  // the calendar folder
};

// The same three steps the calendar takes at start-up, so a store the calendar could not
// open is refused here too, with the store's own reason (on err).
std::optional<OpenStore> OpenDeviceStore(std::ostream& err);

bool IsAppointmentCommand(std::string_view command);
int RunAppointmentCommand(std::string_view command, const std::vector<std::string>& words,
                          std::ostream& out, std::ostream& err);

// One item as list and query print it: OID, START, END, FLAGS and SUBJECT, tab-separated.
// Control characters in the subject are written as \n, \t, \r or \xHH so that every item
// stays on its own line.
std::string EscapeControlCharacters(std::u16string_view text);
// The same, appended to `out`.
void AppendEscaped(std::u16string_view text, std::string& out);
// A complaint that may echo what it was given (an option, a date, a restriction text): its
// control characters escaped the same way, so that one complaint is one line.
std::string OneLine(std::string_view text);

}  // namespace moru::device
