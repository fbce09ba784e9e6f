#include "game/script/ScriptMathCommands.h"

#include <cmath>
#include <cstdint>

#include "engine/system/KSystem.h"
#include "game/script/ScriptCommandArgs.h"
#include "game/util/NumericHelpers.h"

namespace {

constexpr float kRadiansPerDegree = 0.017453292f;
constexpr float kDegreesPerRadian = 57.295776f;
// "math": up to ten operands (parameters 1, 3 ... 19) joined by nine operator words (2, 4 ... 18).
constexpr int32_t kMostMathOperands = 10;

// Writes the number into variable parameter 0, when the statement names one.
void storeNumber(ScriptContext *context, ScriptStatement *statement, float number) {
    if (ScriptValue *variable = commandVariable(context, statement, 0))
        variable->setNumber(number);
}

// variable = operation(number of the variable, default 0; number of parameter 1, default `otherwise`).
template <typename Operation>
void updateVariable(ScriptContext *context, ScriptStatement *statement, float otherwise, Operation operation) {
    ScriptValue *variable = commandVariable(context, statement, 0);
    if (variable)
        variable->setNumber(operation(variable->asNumber(), numberParam(context, statement, 1, otherwise)));
}

} // namespace

void scriptSet(ScriptContext *context, ScriptStatement *statement) {
    ScriptValue *variable = commandVariable(context, statement, 0);
    if (!variable)
        return;
    const ScriptValue *value = commandParam(context, statement, 1);
    *variable = value ? *value : ScriptValue();
}

void scriptAdd(ScriptContext *context, ScriptStatement *statement) {
    updateVariable(context, statement, 0.0f, [](float a, float b) { return a + b; });
}

void scriptSub(ScriptContext *context, ScriptStatement *statement) {
    updateVariable(context, statement, 0.0f, [](float a, float b) { return a - b; });
}

void scriptMul(ScriptContext *context, ScriptStatement *statement) {
    updateVariable(context, statement, 0.0f, [](float a, float b) { return a * b; });
}

void scriptDiv(ScriptContext *context, ScriptStatement *statement) {
    updateVariable(context, statement, 1.0f, [](float a, float b) { return b == 0.0f ? 0.0f : a / b; });
}

void scriptSqrt(ScriptContext *context, ScriptStatement *statement) {
    storeNumber(context, statement, squareRoot(numberParam(context, statement, 1, 0.0f)));
}

void scriptSin(ScriptContext *context, ScriptStatement *statement) {
    storeNumber(context, statement, std::sin(numberParam(context, statement, 1, 0.0f) * kRadiansPerDegree));
}

void scriptCos(ScriptContext *context, ScriptStatement *statement) {
    storeNumber(context, statement, std::cos(numberParam(context, statement, 1, 1.0f) * kRadiansPerDegree));
}

void scriptAtan(ScriptContext *context, ScriptStatement *statement) {
    const float y = numberParam(context, statement, 1, 0.0f);
    const float x = numberParam(context, statement, 2, 1.0f);
    storeNumber(context, statement, atan2Float(y, x) * kDegreesPerRadian);
}

void scriptFloor(ScriptContext *context, ScriptStatement *statement) {
    storeNumber(context, statement, std::floor(numberParam(context, statement, 1, 1.0f)));
}

void scriptSetInt(ScriptContext *context, ScriptStatement *statement) {
    storeNumber(context, statement, static_cast<float>(roundedParam(context, statement, 1, 0.0f)));
}

// A whole number from low to high; the top value comes up a little less often (its share is 0.95).
void scriptSetRandom(ScriptContext *context, ScriptStatement *statement) {
    const float low = static_cast<float>(roundedParam(context, statement, 1, 0.0f));
    const float high = static_cast<float>(roundedParam(context, statement, 2, 0.0f));
    storeNumber(context, statement, static_cast<float>(randomIntInRange({low, high})));
}

// Operands are read while they are numbers, each followed by an operator word; products and
// quotients are folded in a first pass (the left operand becomes 0 and the operator the last '+' or
// '-' before it), sums and differences in a second.
void scriptMath(ScriptContext *context, ScriptStatement *statement) {
    float operands[kMostMathOperands];
    char operators[kMostMathOperands];
    int32_t n = 0, m = 0;
    for (int32_t k = 0; k < kMostMathOperands; ++k) {
        const ScriptValue *operand = commandParam(context, statement, 1 + 2 * k);
        if (!operand || operand->type != kScriptNumber)
            break;
        operands[n++] = operand->number;
        const char *word = textParam(context, statement, 2 + 2 * k);
        if (!word || word[0] == '\0')
            break;
        operators[m++] = word[0];
    }
    if (n == 0 || m == 0 || n != m + 1)
        return;
    char lastAdditive = '+';
    for (int32_t i = 0; i < m; ++i) {
        switch (operators[i]) {
        case '*':
        case '/':
            operands[i + 1] = operators[i] == '*' ? operands[i] * operands[i + 1] : operands[i] / operands[i + 1];
            operands[i] = 0.0f;
            operators[i] = lastAdditive;
            break;
        case '+':
        case '-':
            lastAdditive = operators[i];
            break;
        default:
            reportCommandError(context, "Invalid math operand \"%c\"", operators[i]);
            return;
        }
    }
    float result = operands[0];
    for (int32_t i = 0; i < m; ++i)
        result = operators[i] == '+' ? result + operands[i + 1] : result - operands[i + 1];
    storeNumber(context, statement, result);
}
