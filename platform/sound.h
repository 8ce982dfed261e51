#pragma once
// Reminder and preview sounds: the device's asynchronous PlaySoundW, on libcanberra.
// A sound is named by its device path (u"\\Windows\\Alarm1.wav"), translated under the device
// root; playing returns at once while the sound goes on in the background, and a new sound
// stops the one still playing, so there is never more than one.
//
// Tests see what was asked without an audio server: while a SoundRecorder lives, requests are
// recorded instead of played. A child process (the companion under test) records the same way
// when $MORU_SOUND_RECORD names a file: one line per request, "play <path>" or "stop".
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace moru {

// Starts the sound file and returns without waiting for it to end; stops the sound that was
// playing. An empty path only stops, as the device's call does with no sound named. False,
// with the reason on stderr, when the file is missing or not a regular file or the sound
// system cannot play it.
bool PlaySoundFile(std::u16string_view devicePath);

// Stops the sound that is playing, if any.
void StopSound();

struct SoundRequest {
    enum class Action { Play, Stop };
    Action action = Action::Play;
    std::u16string devicePath;   // as asked; empty for Stop
    std::filesystem::path file;  // its translation under the device root; empty for Stop

    bool operator==(const SoundRequest&) const = default;
};

// While one lives, PlaySoundFile and StopSound record their requests in order and play
// nothing. PlaySoundFile still answers as it would: false for a path that names no file.
class SoundRecorder {
public:
    SoundRecorder();
    ~SoundRecorder();
    SoundRecorder(const SoundRecorder&) = delete;
    SoundRecorder& operator=(const SoundRecorder&) = delete;

    std::vector<SoundRequest> requests() const;

private:
    SoundRecorder* previous_;
};

}  // namespace moru
