#pragma once
// A script value: a type code and a payload that is a 32-bit float for numbers and a pointer for
// everything else. The payload is pointer-sized so that a pointer fits on 64-bit machines; setting a
// number clears the whole payload first, so two values compare equal word for word. Value slots
// (parameters, variables, properties) carry a third, spare word.

#include <cstdint>

enum ScriptValueType : int32_t {
    kScriptNone = 0,
    kScriptNumber = 1,
    kScriptText = 2,
    kScriptElement = 3,
    kScriptGroup = 4,
    kScriptScene = 5,
    kScriptInventoryItem = 6,
    kScriptSound = 7,
    kScriptFunction = 8,
    kScriptTask = 9,
    kScriptEvent = 10,
    kScriptBlock = 11,
    kScriptVariableRef = 12,
    kScriptArray = 13,
    kScriptIndexedRef = 14,
    kScriptPropertyRef = 15,
    kScriptCrossSceneRef = 16,
    kScriptToken = 17, // an interned token not resolved yet
};

struct ScriptValue {
    union {
        void *pointer = nullptr;
        float number;
    };
    int32_t type = kScriptNone;
    int32_t spare = 0;

    void clear() {
        pointer = nullptr;
        type = kScriptNone;
    }
    void setNumber(float value) {
        pointer = nullptr;
        number = value;
        type = kScriptNumber;
    }
    void setPointer(int32_t valueType, const void *value) {
        pointer = const_cast<void *>(value);
        type = valueType;
    }
    const char *text() const { return static_cast<const char *>(pointer); }
    // The number it holds; 0 when it holds anything else.
    float asNumber() const { return type == kScriptNumber ? number : 0.0f; }
};
