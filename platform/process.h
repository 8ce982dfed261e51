#pragma once
// Starting the device's programs by their device paths, without waiting for them.
//   "\Program Files\Velnor\MoruCalendar\Ringset.exe" -> `ringset` in the installed calendar's
//       helper folder (<prefix>/libexec/moru-calendar, found from the running program's own
//       folder), else beside the running program as in a build tree; $MORU_RINGSET instead
//       when set, for tests. When there is none, one line on stderr says so (once a run);
//   "\Windows\Clock.exe" -> <root>/Windows/Clock.exe when it exists and is executable;
//   any other device path -> its translation under the device root, when executable.
// The child gets no arguments and the current device root in $MORU_ROOT, so a calendar run
// with --root DIR starts a companion for that same root. It is detached: it outlives us.
#include <filesystem>
#include <string_view>
#include <vector>

namespace moru {

// Where one of the calendar's helper programs may be, in the order to try: the installed
// helper folder, then beside the running program (a build tree).
std::vector<std::filesystem::path> HelperProgramCandidates(std::string_view executable);

// False when nothing could be started; callers on the device do not look at the result.
bool StartDeviceProgram(std::u16string_view devicePath);

inline constexpr std::u16string_view kRingsetDevicePath =
    u"\\Program Files\\Velnor\\MoruCalendar\\Ringset.exe";
inline constexpr std::u16string_view kClockDevicePath = u"\\Windows\\Clock.exe";

}  // namespace moru
