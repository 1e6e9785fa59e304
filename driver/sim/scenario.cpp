#include "scenario.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>

namespace qvnbdrv::sim {

namespace {

constexpr char kCommentMark = '#';
constexpr int kFirstFan = 1;
constexpr int kLastFan = 3;

// One directive's words with the context a complaint needs.
class Directive {
public:
    Directive(const Scenario& scenario, int line, std::vector<std::string> words)
        : scenario_(scenario), line_(line), words_(std::move(words)) {}

    const std::string& name() const { return words_.front(); }
    size_t arguments() const { return words_.size() - 1; }
    int line() const { return line_; }

    [[noreturn]] void fail(const std::string& what) const { throw ScenarioError(scenario_.where(line_) + what); }

    void expectArguments(size_t least, size_t most, const char* usage) const {
        if (arguments() < least || arguments() > most) fail(name() + " takes " + usage);
    }

    const std::string& text(size_t i) const { return words_[i]; }

    double number(size_t i, const char* what) const {
        const std::string& w = words_[i];
        double v = 0.0;
        const auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), v);
        if (ec != std::errc() || end != w.data() + w.size() || !std::isfinite(v))
            fail("'" + w + "' is not a number (" + what + ")");
        return v;
    }

    uint64_t count(size_t i, const char* what) const {
        const std::string& w = words_[i];
        uint64_t v = 0;
        const auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), v);
        if (ec != std::errc() || end != w.data() + w.size()) fail("'" + w + "' is not a whole number (" + what + ")");
        return v;
    }

    // A fan or sensor number: small enough that no cast can wrap it into range.
    int index(size_t i, const char* what) const {
        const uint64_t v = count(i, what);
        if (v > kLargestIndex) fail(std::string(what) + " " + words_[i] + " is out of range");
        return int(v);
    }

private:
    static constexpr uint64_t kLargestIndex = 255;

    const Scenario& scenario_;
    int line_;
    std::vector<std::string> words_;
};

std::vector<std::string> wordsOf(std::string line) {
    if (const size_t mark = line.find(kCommentMark); mark != std::string::npos) line.erase(mark);
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

// A setting that may appear once: a second one is more likely a mistake than an override.
void setOnce(const Directive& d, int& seenOn, auto& field, auto value) {
    if (seenOn != 0) d.fail(d.name() + " given twice (first on line " + std::to_string(seenOn) + ")");
    seenOn = d.line();
    field = value;
}

}  // namespace

double TemperatureRamp::at(double now) const {
    const double progress = std::clamp((now - startSeconds) / seconds, 0.0, 1.0);
    return fromCelsius + (toCelsius - fromCelsius) * progress;
}

Scenario Scenario::load(const std::string& path) {
    std::ifstream file(path);
    if (!file.is_open()) throw ScenarioError("cannot open scenario file " + path);
    return parse(file, path);
}

Scenario Scenario::parse(std::istream& in, const std::string& source) {
    Scenario s;
    s.source = source;
    int failEveryLine = 0, failFromLine = 0, delayLine = 0, seedLine = 0;
    int lineNumber = 0;
    for (std::string raw; std::getline(in, raw);) {
        ++lineNumber;
        std::vector<std::string> words = wordsOf(raw);
        if (words.empty()) continue;
        const Directive d(s, lineNumber, std::move(words));

        if (d.name() == "stall-fan") {
            d.expectArguments(2, 3, "<chip-id> <fan 1..3> [<after seconds>]");
            FanStall stall{d.text(1), d.index(2, "fan"), 0.0, d.line()};
            if (stall.fan < kFirstFan || stall.fan > kLastFan) d.fail("fan " + d.text(2) + " is not 1, 2 or 3");
            if (d.arguments() == 3) stall.afterSeconds = d.number(3, "after seconds");
            if (stall.afterSeconds < 0) d.fail("the stall cannot start before power-on");
            s.stalls.push_back(stall);
        } else if (d.name() == "ramp-temperature") {
            d.expectArguments(5, 6, "<chip-id> <sensor> <from C> <to C> <seconds> [<start seconds>]");
            TemperatureRamp ramp{d.text(1),         d.index(2, "sensor"),   d.number(3, "from"),
                                 d.number(4, "to"), d.number(5, "seconds"), 0.0,
                                 d.line()};
            if (ramp.seconds <= 0) d.fail("the ramp needs a duration above 0 seconds");
            if (d.arguments() == 6) ramp.startSeconds = d.number(6, "start seconds");
            if (ramp.startSeconds < 0) d.fail("the ramp cannot start before power-on");
            s.ramps.push_back(ramp);
        } else if (d.name() == "fail-every") {
            d.expectArguments(1, 1, "<N>");
            const uint64_t n = d.count(1, "N");
            if (n == 0) d.fail("fail-every needs N of 1 or more");
            setOnce(d, failEveryLine, s.failEvery, n);
        } else if (d.name() == "fail-from") {
            d.expectArguments(1, 1, "<K>");
            const uint64_t k = d.count(1, "K");
            if (k == 0) d.fail("fail-from counts transactions from 1");
            setOnce(d, failFromLine, s.failFrom, k);
        } else if (d.name() == "delay-ms") {
            d.expectArguments(1, 1, "<milliseconds>");
            const double ms = d.number(1, "milliseconds");
            if (ms < 0) d.fail("a delay cannot be negative");
            setOnce(d, delayLine, s.delayMs, ms);
        } else if (d.name() == "seed") {
            d.expectArguments(1, 1, "<number>");
            setOnce(d, seedLine, s.seed, d.count(1, "seed"));
        } else {
            d.fail("unknown directive '" + d.name() +
                   "' (known: stall-fan, ramp-temperature, fail-every, fail-from, delay-ms, seed)");
        }
    }
    return s;
}

}  // namespace qvnbdrv::sim
