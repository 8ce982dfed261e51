#include "platform/sound.h"

#include <canberra.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <system_error>

#include "platform/device_root.h"
#include "platform/text.h"

namespace moru {
namespace {

// Every sound is played under this one id, so cancelling it stops whatever plays.
constexpr uint32_t kSoundId = 1;

struct SoundState {
    std::mutex mutex;  // the calendar may preview a sound from any thread
    ca_context* context = nullptr;
    bool openFailed = false;  // said once; the next play tries to open again
    SoundRecorder* recorder = nullptr;
    std::vector<SoundRequest> recorded;  // the innermost recorder's requests
};

SoundState& State() {
    static SoundState state;
    return state;
}

// The child-process form of the recorder: one line per request in the named file.
void RecordToEnvironmentFile(const SoundRequest& request) {
    const char* file = std::getenv("MORU_SOUND_RECORD");
    if (file == nullptr || *file == '\0') {
        return;
    }
    if (FILE* out = std::fopen(file, "a")) {
        if (request.action == SoundRequest::Action::Play) {
            std::fprintf(out, "play %s\n", request.file.c_str());
        } else {
            std::fputs("stop\n", out);
        }
        std::fclose(out);
    }
}

bool Recording() {
    return State().recorder != nullptr || std::getenv("MORU_SOUND_RECORD");
}

void Record(const SoundRequest& request) {
    if (State().recorder != nullptr) {
        State().recorded.push_back(request);
    } else {
        RecordToEnvironmentFile(request);
    }
}

// The context is made on the first sound, not at start: a companion that never rings keeps
// no connection to the sound system.
ca_context* Context(SoundState& state) {
    if (state.context != nullptr) {
        return state.context;
    }
    ca_context* context = nullptr;
    int rc = ca_context_create(&context);
    if (rc == CA_SUCCESS) {
        ca_context_change_props(context, CA_PROP_APPLICATION_NAME, "Moru Calendar",
                                CA_PROP_APPLICATION_ID, "moru-calendar", nullptr);
        rc = ca_context_open(context);
    }
    if (rc != CA_SUCCESS) {
        if (!state.openFailed) {
            std::fprintf(stderr, "moru: the sound system cannot be opened: %s\n", ca_strerror(rc));
        }
        state.openFailed = true;
        if (context != nullptr) {
            ca_context_destroy(context);
        }
        return nullptr;
    }
    state.openFailed = false;
    state.context = context;
    return context;
}

void StopLocked(SoundState& state) {
    if (Recording()) {
        Record(SoundRequest{SoundRequest::Action::Stop, {}, {}});
        return;
    }
    if (state.context != nullptr) {
        ca_context_cancel(state.context, kSoundId);
    }
}

}  // namespace

bool PlaySoundFile(std::u16string_view devicePath) {
    SoundState& state = State();
    const std::lock_guard lock(state.mutex);
    if (devicePath.empty()) {
        StopLocked(state);
        return true;
    }
    const std::filesystem::path file = TranslateDevicePath(devicePath);
    std::error_code error;
    const bool regular = std::filesystem::is_regular_file(file, error);
    if (Recording()) {
        Record(SoundRequest{SoundRequest::Action::Play, std::u16string(devicePath), file});
    }
    if (!regular) {
        std::fprintf(stderr, "moru: cannot play %s: %s\n", file.c_str(),
                     error ? error.message().c_str() : "no such sound file");
        return false;
    }
    if (Recording()) {
        return true;
    }
    ca_context* context = Context(state);
    if (context == nullptr) {
        return false;
    }
    ca_context_cancel(context, kSoundId);
    const int rc = ca_context_play(context, kSoundId, CA_PROP_MEDIA_FILENAME, file.c_str(),
                                   CA_PROP_EVENT_DESCRIPTION, "Reminder", nullptr);
    if (rc != CA_SUCCESS) {
        std::fprintf(stderr, "moru: cannot play %s: %s\n", file.c_str(), ca_strerror(rc));
        return false;
    }
    return true;
}

void StopSound() {
    SoundState& state = State();
    const std::lock_guard lock(state.mutex);
    StopLocked(state);
}

SoundRecorder::SoundRecorder() {
    SoundState& state = State();
    const std::lock_guard lock(state.mutex);
    previous_ = state.recorder;
    state.recorder = this;
    state.recorded.clear();
}

SoundRecorder::~SoundRecorder() {
    SoundState& state = State();
    const std::lock_guard lock(state.mutex);
    state.recorder = previous_;
    state.recorded.clear();
}

std::vector<SoundRequest> SoundRecorder::requests() const {
    SoundState& state = State();
    const std::lock_guard lock(state.mutex);
    return state.recorded;
}

}  // namespace moru
