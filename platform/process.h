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
#include <string_view>

namespace moru {

// False when nothing could be started; callers on the device do not look at the result.
bool StartDeviceProgram(std::u16string_view devicePath);

inline constexpr std::u16string_view kRingsetDevicePath =
    u"\\Program Files\\Velnor\\MoruCalendar\\Ringset.exe";
inline constexpr std::u16string_view kClockDevicePath = u"\\Windows\\Clock.exe";

}  // namespace moru
