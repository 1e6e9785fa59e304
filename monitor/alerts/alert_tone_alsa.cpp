// The alarm's tone on Linux: a sine through ALSA, else the console speaker, else a wait.
#include "alert_tone.h"

#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <linux/kd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <numbers>
#include <thread>

namespace qorv {

namespace {

constexpr unsigned kSampleRate = 48000;
constexpr unsigned kDeviceLatencyUs = 100000;
// Long enough that the start and the end of a tone do not click, short enough that even a
// 20 ms tone is mostly at full strength.
constexpr int64_t kFadeFrames = kSampleRate * 5 / 1000;
constexpr double kAmplitude = 0.5 * 32767;  // loud, with room for a mixer's other sounds
constexpr int64_t kChunkFrames = 1024;
constexpr int kMostRecoveries = 3;

// The programmable interval timer that drives the PC speaker, in hertz.
constexpr unsigned long kSpeakerClock = 1193180;
// The longest tone, in milliseconds, that one speaker request holds.
constexpr int32_t kLongestSpeakerTone = 0xFFFF;

void wait(int64_t milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

// Frames [first, first + count) of a tone `frames` long. Silence when frequency is 0.
void renderTone(int32_t frequency, int64_t frames, int64_t first, int16_t* out, int64_t count) {
    const int64_t fade = std::min(kFadeFrames, frames / 2);
    for (int64_t k = 0; k < count; ++k) {
        const int64_t i = first + k;
        // The phase comes from an exact remainder, so that a long tone keeps its pitch.
        const double phase = 2 * std::numbers::pi * double((i * frequency) % kSampleRate) / kSampleRate;
        const int64_t edge = std::min(i, frames - 1 - i);
        const double gain = edge < fade ? 0.5 - 0.5 * std::cos(std::numbers::pi * double(edge) / double(fade)) : 1.0;
        out[k] = int16_t(std::lround(kAmplitude * gain * std::sin(phase)));
    }
}

bool writeAll(snd_pcm_t* pcm, const int16_t* samples, int64_t count) {
    int recoveries = 0;
    while (count > 0) {
        const snd_pcm_sframes_t n = snd_pcm_writei(pcm, samples, snd_pcm_uframes_t(count));
        if (n < 0) {
            // An underrun between two chunks, or a device that was suspended.
            if (++recoveries > kMostRecoveries || snd_pcm_recover(pcm, int(n), 1) < 0) return false;
            continue;
        }
        samples += n;
        count -= n;
    }
    return true;
}

void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// ALSA writes every device it cannot open to standard error, on each of an alarm's many
// tones; the reason reaches the log once instead.
class QuietAlsa {
public:
    QuietAlsa() : previous_(snd_lib_error) { snd_lib_error_set_handler(ignoreAlsaError); }
    ~QuietAlsa() { snd_lib_error_set_handler(previous_); }
    QuietAlsa(const QuietAlsa&) = delete;
    QuietAlsa& operator=(const QuietAlsa&) = delete;

private:
    snd_lib_error_handler_t previous_;
};

snd_pcm_t* openPlayback(const std::string& device, int& error) {
    QuietAlsa quiet;
    snd_pcm_t* pcm = nullptr;
    error = snd_pcm_open(&pcm, device.c_str(), SND_PCM_STREAM_PLAYBACK, 0);
    if (error < 0) return nullptr;
    // Resampling allowed: the device's own rate need not be ours.
    error = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 1, kSampleRate, 1,
                               kDeviceLatencyUs);
    if (error < 0) {
        snd_pcm_close(pcm);
        return nullptr;
    }
    return pcm;
}

bool speakerTone(int fd, unsigned long period, int32_t milliseconds) {
    // The kernel ends this tone by itself, so it never outlives a process that dies
    // in the middle of it.
    return ::ioctl(fd, KDMKTONE, (static_cast<unsigned long>(milliseconds) << 16) | period) == 0;
}

}  // namespace

std::vector<std::string> AlertTone::defaultConsoles() { return {"/dev/console", "/dev/tty0"}; }

void AlertTone::play(int32_t frequency, int32_t duration) {
    if (duration <= 0) return;
    if (!inToneRange(frequency))
        reportOnce(kSilentFrequency, std::to_string(frequency) + " Hz is no tone frequency; such tones are silent");
    if (playThroughSoundDevice(frequency, duration)) return;
    if (playThroughConsoleSpeaker(frequency, duration)) return;
    wait(duration);
}

bool AlertTone::playThroughSoundDevice(int32_t frequency, int32_t duration) {
    int error = 0;
    snd_pcm_t* pcm = openPlayback(device_, error);
    if (!pcm) {
        reportOnce(kNoSoundDevice, "the sound device \"" + device_ + "\" cannot be used (" + snd_strerror(error) +
                                       "); trying the console speaker");
        return false;
    }
    int32_t sounded = inToneRange(frequency) ? frequency : 0;
    if (sounded >= int32_t(kSampleRate / 2)) {
        // Played anyway it would fold back into an audible tone of another pitch.
        reportOnce(kSilentFrequency, std::to_string(frequency) +
                                         " Hz is beyond what the sound device plays; such "
                                         "tones are silent");
        sounded = 0;
    }
    // Silence is played too, rather than waited for: the device's clock keeps the time.
    const int64_t frames = int64_t(duration) * kSampleRate / 1000;
    int16_t chunk[kChunkFrames];
    int64_t written = 0;
    while (written < frames) {
        const int64_t count = std::min(kChunkFrames, frames - written);
        renderTone(sounded, frames, written, chunk, count);
        if (!writeAll(pcm, chunk, count)) break;
        written += count;
    }
    if (written == frames) snd_pcm_drain(pcm);
    snd_pcm_close(pcm);
    if (written < frames) {
        reportOnce(kPlaybackBroke, "playback on \"" + device_ + "\" broke off; the rest of the tone is waited");
        wait((frames - written) * 1000 / kSampleRate);
    }
    return true;
}

bool AlertTone::playThroughConsoleSpeaker(int32_t frequency, int32_t duration) {
    // A silent tone needs no speaker, only its time.
    if (!inToneRange(frequency)) return false;
    const unsigned long period = kSpeakerClock / static_cast<unsigned long>(frequency);
    std::string failures;
    for (const std::string& path : consoles_) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd < 0 || !speakerTone(fd, period, std::min(duration, kLongestSpeakerTone))) {
            failures += (failures.empty() ? "" : ", ") + path + ": " + std::strerror(errno);
            if (fd >= 0) ::close(fd);
            continue;
        }
        for (int32_t left = duration;;) {
            const int32_t part = std::min(left, kLongestSpeakerTone);
            wait(part);
            left -= part;
            if (left <= 0) break;
            speakerTone(fd, period, std::min(left, kLongestSpeakerTone));
        }
        ::close(fd);
        return true;
    }
    reportOnce(kNoConsoleSpeaker, "no console speaker either (" + failures + "); tones are silent waits");
    return false;
}

}  // namespace qorv
