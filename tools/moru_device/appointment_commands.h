#pragma once
// moru-device's store commands: add, list, query, show, delete, count and reminders. Each takes the
// words after its name, writes its results to out and its one-line complaints to err, and
// returns the process exit code (arguments.h).
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace moru::device {

bool IsAppointmentCommand(std::string_view command);
int RunAppointmentCommand(std::string_view command, const std::vector<std::string>& words,
                          std::ostream& out, std::ostream& err);

// One item as list and query print it: OID, START, END, FLAGS and SUBJECT, tab-separated.
// Control characters in the subject are written as \n, \t, \r or \xHH so that every item
// stays on its own line.
std::string EscapeControlCharacters(std::u16string_view text);
// A complaint that may echo what it was given (an option, a date, a restriction text): its
// control characters escaped the same way, so that one complaint is one line.
std::string OneLine(std::string_view text);

}  // namespace moru::device
