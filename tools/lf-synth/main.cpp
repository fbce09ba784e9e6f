// lf-synth: synthesises the demo game's sounds and music and encodes them as Ogg Vorbis.
//   lf-synth --out DIR   writes DIR/data/sounds/gulls.ogg (gull cries over a faint wind, a loop),
//                        DIR/data/sounds/surf.ogg (waves breaking and running back, a loop),
//                        DIR/data/sounds/door.ogg (a lock turning and a heavy door swinging open),
//                        DIR/data/music/evening.ogg (a slow evening tune, a loop),
//                        DIR/data/sounds/lens_wipe.ogg (a cloth squeaking across glass),
//                        DIR/data/sounds/lens_clean.ogg (a bright rising chime),
//                        DIR/data/sounds/mirror_shot.ogg (a bead snapping out of the lantern gun),
//                        DIR/data/sounds/mirror_hit.ogg (a bead clinking into the chain),
//                        DIR/data/sounds/mirrors_aligned.ogg (a ringing chord as the mirrors line up),
//                        DIR/data/sounds/wick_flame.ogg (a lamp flame's soft roar and crackle, a loop),
//                        DIR/data/sounds/lever.ogg (a ratchet, then an iron lever falling home),
//                        DIR/data/music/beam.ogg (the cut-scene's music: chords swelling under four
//                        bell notes, one for each boat that answers the beam, fading out at its end)
// Every sound is mono at 22050 Hz and low quality, so the files stay small. A loop's end leads into its
// beginning, so it repeats without a click. Noise comes from a fixed generator: the files are the same on every run.
// Exit status 0 on success, 1 with the reason on standard error.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tools/OggVorbisEncoder.h"
#include "tools/ToolCommandLine.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRate = 22050;
constexpr double kTwoPi = 6.283185307179586;
constexpr float kQuality = 0.0f; // libvorbis's scale: -0.1 (smallest) to 1

constexpr char kUsage[] = "usage: lf-synth --out DIR\n"
                          "Writes the demo's sounds under DIR/data/sounds/ and its music under DIR/data/music/.\n";

// White noise from a fixed linear congruential generator, -1..1.
class Noise {
public:
    double next() {
        state = state * 1664525u + 1013904223u;
        return double(state >> 8) / double(1u << 23) - 1.0;
    }

private:
    uint32_t state = 12345u;
};

// A one-pole low-pass filter: the higher `smoothing` (0..1), the darker the sound.
class LowPass {
public:
    explicit LowPass(double smoothing) : keep(smoothing) {}
    double operator()(double in) { return out = out * keep + in * (1.0 - keep); }

private:
    double keep, out = 0.0;
};

// An envelope that rises over `attack` seconds and falls away after `length`, zero outside.
double envelope(double t, double attack, double length) {
    if (t < 0.0 || t > length)
        return 0.0;
    const double rise = attack > 0.0 ? std::min(1.0, t / attack) : 1.0;
    return rise * std::pow(1.0 - t / length, 2.0);
}

// One gull's cry: a falling, wavering tone with a raw edge, `length` seconds long.
double gullCry(double t, double pitch, double length) {
    const double e = envelope(t, 0.03, length);
    if (e == 0.0)
        return 0.0;
    const double glide = pitch * (1.0 - 0.35 * t / length) * (1.0 + 0.03 * std::sin(kTwoPi * 22.0 * t));
    const double phase = kTwoPi * glide * t;
    return e * (0.6 * std::sin(phase) + 0.25 * std::sin(2.0 * phase) + 0.12 * std::sin(3.0 * phase));
}

// A loop of `seconds` made from a little more: what runs past the end fades into the beginning, so the
// last sample leads into the first as any sample leads into the next.
std::vector<float> closeLoop(std::vector<float> samples, double seconds) {
    const size_t length = size_t(seconds * kRate);
    const size_t overlap = samples.size() > length ? samples.size() - length : 0;
    for (size_t i = 0; i < overlap; i++) {
        const double fade = double(i) / double(overlap);
        samples[i] = float(samples[i] * fade + samples[length + i] * (1.0 - fade));
    }
    samples.resize(length);
    return samples;
}

// Gull cries over a soft wind, four seconds that repeat.
std::vector<float> gulls() {
    const double seconds = 4.0, overlap = 0.5;
    struct Cry {
        double start, pitch, length;
    };
    const Cry cries[] = {{0.3, 1650, 0.32}, {0.72, 1500, 0.26}, {1.05, 1380, 0.4}, {2.6, 1720, 0.3}, {3.0, 1580, 0.35}};
    Noise noise;
    LowPass wind(0.985);
    std::vector<float> samples(size_t((seconds + overlap) * kRate));
    for (size_t i = 0; i < samples.size(); i++) {
        const double t = double(i) / kRate;
        double value = 0.25 * wind(noise.next()) * (1.0 + 0.5 * std::sin(kTwoPi * t / seconds));
        for (const Cry &cry : cries)
            value += 0.45 * gullCry(t - cry.start, cry.pitch, cry.length);
        samples[i] = float(value);
    }
    return closeLoop(samples, seconds);
}

// Surf: filtered noise that swells as a wave breaks and hisses as it runs back, two waves in six seconds.
std::vector<float> surf() {
    const double seconds = 6.0;
    Noise noise;
    LowPass body(0.93), hiss(0.6);
    std::vector<float> samples(size_t(seconds * kRate));
    for (size_t i = 0; i < samples.size(); i++) {
        const double t = double(i) / kRate;
        const double wave = 0.5 - 0.5 * std::cos(kTwoPi * 2.0 * t / seconds); // 0 at both ends: a seamless loop
        const double n = noise.next();
        samples[i] = float(0.55 * wave * body(n) * 3.0 + 0.08 * wave * wave * (n - hiss(n)));
    }
    return samples;
}

// The door: two clicks of the lock, then a low creak that rises as the door swings, then a thud.
std::vector<float> door() {
    const double seconds = 1.6;
    Noise noise;
    LowPass thud(0.97);
    std::vector<float> samples(size_t(seconds * kRate));
    for (size_t i = 0; i < samples.size(); i++) {
        const double t = double(i) / kRate;
        double value = 0.0;
        for (double click : {0.05, 0.2})
            value += 0.7 * envelope(t - click, 0.0, 0.03) * noise.next();
        const double creakT = t - 0.3;
        if (creakT >= 0.0 && creakT < 0.9) {
            const double pitch = 140.0 + 90.0 * creakT;
            const double rasp = std::sin(kTwoPi * pitch * creakT) > 0.6 ? 1.0 : -0.2; // a stick-slip pulse train
            value += 0.35 * envelope(creakT, 0.1, 0.9) * rasp;
        }
        value += 1.6 * envelope(t - 1.25, 0.005, 0.3) * thud(noise.next());
        samples[i] = float(std::clamp(value, -1.0, 1.0));
    }
    return samples;
}

// A slow evening tune: four soft chords, each two seconds, with a plucked melody note over each; eight
// seconds that repeat.
std::vector<float> evening() {
    const double seconds = 8.0, chordLength = 2.0;
    const double chords[4][3] = {{220.00, 261.63, 329.63}, {174.61, 220.00, 261.63}, {196.00, 246.94, 293.66},
                                 {164.81, 207.65, 246.94}};
    const double melody[8] = {659.26, 587.33, 523.25, 587.33, 493.88, 523.25, 440.00, 415.30};
    std::vector<float> samples(size_t(seconds * kRate));
    for (size_t i = 0; i < samples.size(); i++) {
        const double t = double(i) / kRate;
        const int chord = int(t / chordLength) % 4;
        const double inChord = std::fmod(t, chordLength);
        // Each chord swells and fades within its own two seconds, so the loop's ends meet in silence.
        const double pad = std::sin(kTwoPi * 0.5 * inChord / chordLength) * 0.12;
        double value = 0.0;
        for (double f : chords[chord])
            value += pad * (std::sin(kTwoPi * f * t) + 0.3 * std::sin(kTwoPi * 2.0 * f * t));
        const int note = int(t);
        value += 0.18 * envelope(t - note, 0.01, 0.9) * std::sin(kTwoPi * melody[note % 8] * t);
        samples[i] = float(value);
    }
    return samples;
}

// `seconds` of samples, each the value of `at` at its time.
std::vector<float> sampled(double seconds, const std::function<double(double)> &at) {
    std::vector<float> samples(size_t(seconds * kRate));
    for (size_t i = 0; i < samples.size(); i++)
        samples[i] = float(std::clamp(at(double(i) / kRate), -1.0, 1.0));
    return samples;
}

// A bell-like partial: a sine of the frequency fading over `length` seconds from its start.
double bell(double t, double frequency, double length) {
    return envelope(t, 0.004, length) * (std::sin(kTwoPi * frequency * t) + 0.3 * std::sin(kTwoPi * 2.76 * frequency * t));
}

// The notes of a chime, each starting `gap` seconds after the one before and ringing `ring` seconds.
std::vector<float> chime(std::vector<double> notes, double gap, double ring, double gain) {
    return sampled(gap * double(notes.size()) + ring, [=](double t) {
        double value = 0.0;
        for (size_t n = 0; n < notes.size(); n++)
            value += gain * bell(t - gap * double(n), notes[n], ring);
        return value;
    });
}

// The lens wiped: a squeak whose pitch rises and falls as the cloth goes across, over the cloth's hiss.
std::vector<float> lensWipe() {
    const double seconds = 0.45;
    Noise noise;
    LowPass cloth(0.8);
    double phase = 0.0;
    return sampled(seconds, [&](double t) {
        phase += kTwoPi * (900.0 + 500.0 * std::sin(kTwoPi * 0.5 * t / seconds)) / kRate;
        return envelope(t, 0.05, seconds) * (0.25 * std::sin(phase) + 0.1 * std::sin(2.0 * phase) + 0.3 * cloth(noise.next()));
    });
}

// The lens clean: four notes rising.
std::vector<float> lensClean() {
    return chime({784.0, 987.77, 1174.66, 1567.98}, 0.12, 1.0, 0.3);
}

// A bead leaving the gun: a short falling thump and a snap of noise.
std::vector<float> mirrorShot() {
    Noise noise;
    LowPass snap(0.5);
    return sampled(0.25, [&](double t) {
        const double thump = envelope(t, 0.002, 0.12) * std::sin(kTwoPi * (180.0 - 300.0 * t) * t);
        return 0.6 * thump + 0.4 * envelope(t, 0.0, 0.05) * snap(noise.next());
    });
}

// A bead meeting the chain: a glassy clink.
std::vector<float> mirrorHit() {
    return chime({2093.0, 2637.0}, 0.05, 0.3, 0.3);
}

// The mirrors aligned: a ringing major chord, struck note by note.
std::vector<float> mirrorsAligned() {
    return chime({523.25, 659.26, 783.99, 1046.5}, 0.08, 1.6, 0.25);
}

// A lamp flame: a low, slowly breathing roar with sparse crackles; three seconds that repeat.
std::vector<float> wickFlame() {
    const double seconds = 3.0, overlap = 0.3;
    const double crackles[] = {0.21, 0.64, 0.7, 1.33, 1.9, 2.05, 2.58};
    Noise noise;
    LowPass roar(0.96), snap(0.3);
    auto roarAndCrackle = [&](double t) {
        const double breath = 0.75 + 0.25 * std::sin(kTwoPi * t / seconds);
        double value = 0.9 * breath * roar(noise.next());
        const double crackle = snap(noise.next());
        for (double at : crackles)
            value += 0.5 * envelope(t - at, 0.0, 0.012) * crackle;
        return value;
    };
    return closeLoop(sampled(seconds + overlap, roarAndCrackle), seconds);
}

// The trim lever: four ratchet clicks as it is pulled, then the heavy clunk of its fall.
std::vector<float> lever() {
    Noise noise;
    LowPass clunk(0.95);
    return sampled(0.8, [&](double t) {
        double value = 0.0;
        for (int click = 0; click < 4; click++)
            value += 0.6 * envelope(t - 0.05 * click, 0.0, 0.015) * std::sin(kTwoPi * 2400.0 * t);
        value += 2.0 * envelope(t - 0.3, 0.004, 0.45) * clunk(noise.next());
        return value + 0.3 * envelope(t - 0.3, 0.004, 0.35) * std::sin(kTwoPi * 95.0 * t);
    });
}

// The beam's music, six and a half seconds played once: four chords swell one into the other, from
// silence and back to it, and a bell rings, each higher than the last, when each boat's light answers.
std::vector<float> beamTheme() {
    const double seconds = 6.5, chordLength = seconds / 4.0;
    const double chords[4][3] = {{146.83, 220.00, 293.66}, {196.00, 246.94, 293.66}, {164.81, 246.94, 329.63},
                                 {220.00, 277.18, 329.63}};
    const double bells[4][2] = {{1.9, 587.33}, {2.3, 739.99}, {4.1, 880.00}, {4.9, 1174.66}};
    return sampled(seconds, [=](double t) {
        const double swell = std::sin(kTwoPi * 0.5 * t / seconds); // silent at both ends
        double value = 0.0;
        for (int chord = 0; chord < 4; chord++) {
            // Each chord fades into the next: windows a chord apart that add up to one.
            const double off = (t - (chord + 0.5) * chordLength) / chordLength;
            if (std::fabs(off) >= 1.0)
                continue;
            const double window = std::pow(std::cos(kTwoPi * 0.25 * off), 2.0);
            for (double f : chords[chord])
                value += 0.1 * swell * window * (std::sin(kTwoPi * f * t) + 0.25 * std::sin(kTwoPi * 2.0 * f * t));
        }
        for (const auto &[at, pitch] : bells)
            value += 0.22 * bell(t - at, pitch, 1.4);
        return value;
    });
}

struct Sound {
    const char *path; // below DIR
    std::function<std::vector<float>()> make;
};

const Sound kSounds[] = {
    {"data/sounds/gulls.ogg", gulls},
    {"data/sounds/surf.ogg", surf},
    {"data/sounds/door.ogg", door},
    {"data/music/evening.ogg", evening},
    {"data/sounds/lens_wipe.ogg", lensWipe},
    {"data/sounds/lens_clean.ogg", lensClean},
    {"data/sounds/mirror_shot.ogg", mirrorShot},
    {"data/sounds/mirror_hit.ogg", mirrorHit},
    {"data/sounds/mirrors_aligned.ogg", mirrorsAligned},
    {"data/sounds/wick_flame.ogg", wickFlame},
    {"data/sounds/lever.ogg", lever},
    {"data/music/beam.ogg", beamTheme},
};

bool writeFile(const fs::path &path, const std::vector<unsigned char> &bytes) {
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out.flush());
}

} // namespace

int main(int argc, char **argv) {
    if (tool::asksForHelp(argc, argv))
        return tool::printUsage(kUsage);
    if (argc != 3 || std::strcmp(argv[1], "--out") != 0)
        return tool::usageError("lf-synth", argc < 2 ? "no --out DIR given" : "the only option is --out DIR", kUsage);
    const fs::path out(argv[2]);
    for (const Sound &sound : kSounds) {
        const std::vector<unsigned char> bytes = tool::encodeOggVorbis(sound.make(), kRate, 1, kQuality);
        if (bytes.empty() || !writeFile(out / sound.path, bytes)) {
            std::fprintf(stderr, "lf-synth: cannot write %s\n", (out / sound.path).string().c_str());
            return 1;
        }
    }
    return 0;
}
