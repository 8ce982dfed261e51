#pragma once
// What a calendar puts into its device root so that a fresh device works like a set-up one:
// reminder sounds for the appointment editor to offer, and a \Windows\Clock.exe for the tap
// on the clock's date. Neither ever replaces a file that is there, and neither can stop the
// calendar from starting: a failure is one line on stderr.

namespace moru {

// Copies every bundled sound (the resources under ":/sounds") into <root>/Windows/ when that
// folder holds no .wav file (any case), making the folder first. Returns how many were placed.
int PlaceBundledSounds();

// Writes <root>/Windows/Clock.exe, a shell script that opens the desktop's date and time
// settings, when nothing of that name is there. Returns whether it was placed.
bool PlaceClockLauncher();

}  // namespace moru
