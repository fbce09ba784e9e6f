#include "game/scene/ParticleDefinition.h"

#include "engine/system/KSystem.h"
#include "game/util/NumberParse.h"
#include "game/util/NumericHelpers.h"
#include "game/util/TextReader.h"
#include "game/util/TokenReader.h"

namespace {

constexpr double kTicksPerSecond = 100.0;
constexpr float kHundredthsToUnits = 0.01f;
constexpr float kAccelerationUnit = 0.0001f;
constexpr float kDefaultFade = 0.2f;

int32_t secondsToTicks(float seconds) {
    return roundToInt(double(seconds) * kTicksPerSecond);
}

// A positive time in ticks; 0 for none.
int32_t positiveSecondsToTicks(float seconds) {
    return seconds > 0.0f ? secondsToTicks(seconds) : 0;
}

// A rate per second as ticks between bursts; 0 (every tick) for none.
int32_t rateToInterval(float perSecond) {
    return perSecond > 0.0f ? roundToInt(kTicksPerSecond / double(perSecond)) : 0;
}

// A first value (missing: its default) and a second one (missing: the first).
void readPair(TokenReader &tokens, float firstDefault, float &first, float &second) {
    first = firstDefault;
    first = tokens.readFloat(first);
    second = first;
    second = tokens.readFloat(second);
}

void readRange(TokenReader &tokens, float scale, ParticleRange &range) {
    float values[4] = {range.startMin, range.startMax, range.endMin, range.endMax};
    tokens.readStartEndRange(scale, values);
    range = {values[0], values[1], values[2], values[3]};
}

bool isIgnoredLetter(char letter) {
    switch (letter) {
    case 'I':
    case 'J':
    case 'K':
    case 'M':
    case 'P':
    case 'U':
        return true;
    default:
        return letter < 'A' || letter > 'Z';
    }
}

} // namespace

void ParticleDefinition::setDefaults() {
    const char *name = sourceName;
    *this = ParticleDefinition();
    sourceName = name;
}

void ParticleDefinition::read(const char *text) {
    TextReader lines;
    lines.attach(text);
    TokenReader tokens(' ');
    while (lines.readLine()) {
        tokens.attach(lines.line());
        if (!tokens.next())
            continue;
        const char letter = tokens.token()[0];
        if (isIgnoredLetter(letter))
            continue;
        float a = 0.0f, b = 0.0f;
        switch (letter) {
        case 'Q': {
            readPair(tokens, 0.0f, a, b);
            float length = 1.0f, period = 0.0f;
            length = tokens.readFloat(length);
            period = tokens.readFloat(period);
            startDelayMin = positiveSecondsToTicks(a);
            startDelayMax = positiveSecondsToTicks(b);
            emissionLength = secondsToTicks(length);
            loopPeriod = secondsToTicks(period);
            break;
        }
        case 'E':
            readPair(tokens, 0.0f, a, b);
            intervalMin = rateToInterval(a);
            intervalMax = rateToInterval(b);
            break;
        case 'C':
            readPair(tokens, 0.0f, burstMin, burstMax);
            break;
        case 'Z':
            particleLimit = tokens.readInt(0);
            break;
        case 'H':
            shape = tokens.readInt(0);
            break;
        case 'S':
            readRange(tokens, 1.0f, extentX);
            break;
        case 'T':
            readRange(tokens, 1.0f, extentY);
            break;
        case 'D':
            readRange(tokens, 1.0f, direction);
            break;
        case 'V':
            readRange(tokens, kHundredthsToUnits, speed);
            break;
        case 'X':
            readRange(tokens, 1.0f, width);
            break;
        case 'Y':
            readRange(tokens, 1.0f, height);
            break;
        case 'N':
            readRange(tokens, 1.0f, rotation);
            break;
        case 'W':
            readPair(tokens, 0.0f, a, b);
            accelerationX = a * kAccelerationUnit;
            accelerationY = b * kAccelerationUnit;
            break;
        case 'L':
            readPair(tokens, 0.0f, a, b);
            lifeMin = secondsToTicks(a);
            lifeMax = secondsToTicks(b);
            break;
        case 'R':
            tokens.readColorRange(red.start, red.end);
            break;
        case 'G':
            tokens.readColorRange(green.start, green.end);
            break;
        case 'B':
            tokens.readColorRange(blue.start, blue.end);
            break;
        case 'A':
            tokens.readColorRange(alpha.start, alpha.end);
            break;
        case 'F':
            fadeIn = fadeOut = kDefaultFade;
            fadeIn = tokens.readFloat(fadeIn);
            fadeOut = tokens.readFloat(fadeOut);
            break;
        case 'O': {
            if (!tokens.next())
                break;
            const char option = tokens.token()[0];
            if (option >= 'A' && option <= 'Z' && tokens.next())
                options[option - 'A'] = parseInt(tokens.token());
            break;
        }
        default:
            break; // read and kept nowhere
        }
    }
}

void ParticleDefinition::reportLimitApplied() const {
    if (limitReported_)
        return;
    limitReported_ = true;
    logMessage("Game: Limits applied to %s, WARNING", sourceName ? sourceName : "");
}
