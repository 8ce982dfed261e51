#include "store/calendar_state.h"

namespace moru {
namespace {

CalendarState& ProgramState() {
    static CalendarState state;
    return state;
}

CalendarState* inForce = nullptr;

}  // namespace

CalendarState& Calendar() {
    return inForce != nullptr ? *inForce : ProgramState();
}

ScopedCalendarState::ScopedCalendarState() : previous_(inForce) {
    inForce = &state_;
}

ScopedCalendarState::~ScopedCalendarState() {
    inForce = previous_;
}

}  // namespace moru
