// A second process on a shared store, for the two-process tests: it adds appointments,
// deletes every other one of them again, then deletes the first items of the store order.
// Usage: poom_peer_main STORE_FILE ADDS FRONT_DELETES. Prints the identifiers it was given.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/datetime.h"
#include "platform/poom/poom.h"

using namespace moru;

namespace {

int Fail(const std::string& what, const Error& error) {
    std::fprintf(stderr, "peer: %s: %s\n", what.c_str(), error.message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: poom_peer_main STORE_FILE ADDS FRONT_DELETES\n");
        return 2;
    }
    const int adds = std::atoi(argv[2]);
    const int frontDeletes = std::atoi(argv[3]);
    auto app = *poom::Application::Create(argv[1]);
    if (Status s = app->Logon(); !s.ok()) {
        return Fail("logon", s.error());
    }
    for (int i = 0; i < adds; ++i) {
        poom::Appointment a = *app->CreateItem(poom::kAppointmentItem);
        a.SetSubject(u"peer");
        const double start = *MakeDate(2025, 6, 1, 9, 0) + i;
        a.SetStart(start);
        a.SetEnd(start + 1.0 / 24);
        if (Status s = a.Save(); !s.ok()) {
            return Fail("save", s.error());
        }
        std::printf("%u\n", a.Oid());
        if (i % 2 == 1) {
            if (Status s = a.Delete(); !s.ok()) {
                return Fail("delete own", s.error());
            }
        }
    }
    poom::ItemCollection items = *(*app->GetDefaultFolder(poom::kCalendarFolder)).Items();
    for (int i = 0; i < frontDeletes; ++i) {
        std::optional<poom::Appointment> first = items.Item(1);
        if (!first) {
            std::fprintf(stderr, "peer: the store ran empty\n");
            return 1;
        }
        if (Status s = first->Delete(); !s.ok()) {
            return Fail("delete first", s.error());
        }
    }
    return 0;
}
