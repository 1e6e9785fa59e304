// The alarm's tone: one tone of a frequency and a duration that returns when the tone
// has ended, so that a run of tones keeps the rhythm the user chose. On Linux it plays a
// sine through ALSA; a machine without a sound device gets the console speaker, and one
// without that a silent wait of the same length. On Windows it is the system's Beep.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qorv {

// The frequencies Windows' Beep sounds. A tone outside them is silent for its duration on
// every platform, so that one setting behaves alike everywhere and the alarm's timing holds.
inline constexpr int32_t kLowestToneFrequency = 37;
inline constexpr int32_t kHighestToneFrequency = 32767;

class AlertTone {
public:
    // Takes a line for the log.
    using Reporter = std::function<void(const std::string&)>;

    static constexpr const char* kDefaultDevice = "default";
    static std::vector<std::string> defaultConsoles();

    // device: the ALSA playback device. consoles: the terminals tried, in order, for the
    // console speaker. Neither is used on Windows.
    explicit AlertTone(Reporter report, std::string device = kDefaultDevice,
                       std::vector<std::string> consoles = defaultConsoles());

    // frequency in hertz, duration in milliseconds. Blocks until the tone has ended; a
    // duration of zero or less returns at once.
    void play(int32_t frequency, int32_t duration);

private:
    enum Notice : unsigned { kNoSoundDevice = 1, kNoConsoleSpeaker = 2, kSilentFrequency = 4, kPlaybackBroke = 8 };

    static bool inToneRange(int32_t frequency);
#ifndef _WIN32
    bool playThroughSoundDevice(int32_t frequency, int32_t duration);
    bool playThroughConsoleSpeaker(int32_t frequency, int32_t duration);
#endif
    // Each kind of notice reaches the log once in the life of the object: an alarm plays
    // dozens of tones.
    void reportOnce(Notice notice, const std::string& text);

    Reporter report_;
    std::string device_;
    std::vector<std::string> consoles_;
    unsigned reported_ = 0;
};

}  // namespace qorv
