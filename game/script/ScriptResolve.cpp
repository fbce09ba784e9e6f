#include "game/script/ScriptResolve.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "game/player/HoInventoryItem.h"
#include "game/resources/HoConfiguration.h"
#include "game/scene/HoScene.h"
#include "game/scene/SceneElement.h"
#include "game/script/ScriptArray.h"
#include "game/script/ScriptBlock.h"
#include "game/script/ScriptContext.h"
#include "game/script/ScriptCommand.h"
#include "game/script/ScriptKeywords.h"
#include "game/script/ScriptRecordPools.h"
#include "game/util/InternTable.h"
#include "game/util/NumericHelpers.h"
#include "game/world/HoWorld.h"

namespace {

// Resolution messages carry no line: "Error: " and the text.
void report(ScriptContext *context, const char *format, ...) __attribute__((format(printf, 2, 3)));
void report(ScriptContext *context, const char *format, ...) {
    va_list arguments;
    va_start(arguments, format);
    va_list measuring;
    va_copy(measuring, arguments);
    int length = std::vsnprintf(nullptr, 0, format, measuring);
    va_end(measuring);
    std::string text(length > 0 ? size_t(length) : 0, '\0');
    if (length > 0)
        std::vsnprintf(text.data(), text.size() + 1, format, arguments);
    va_end(arguments);
    reportScriptError(context->world->messages(), 0, nullptr, text.c_str());
}

const char *intern(ScriptContext *context, const char *text) {
    return context->world->names().internOrFind(text);
}

const char *sceneNameOf(const ScriptContext *context) {
    return context->scene && context->scene->name ? context->scene->name : "";
}

ScriptReference *newReference(ScriptContext *context) {
    return context->world->scriptPools.references.allocate();
}

void resolvePart(ScriptContext *context, char letter, const std::string &part, ScriptValue *slot) {
    resolveParameter(context, letter, part.c_str(), slot);
}

// Digits accumulate (after a '.' as tenths, hundredths ...), every '-' flips the sign, every 'f'
// multiplies by 0.1 and every 't' by 0.01; other characters are ignored ("12abc" is 12).
float readScriptNumber(const char *text) {
    double magnitude = 0.0;
    double place = 1.0;
    bool fraction = false;
    bool negative = false;
    for (const char *c = text; *c; ++c) {
        if (std::isdigit(static_cast<unsigned char>(*c))) {
            int digit = *c - '0';
            if (fraction) {
                place /= 10.0;
                magnitude += digit * place;
            } else {
                magnitude = magnitude * 10.0 + digit;
            }
        } else if (*c == '.') {
            fraction = true;
        } else if (*c == '-') {
            negative = !negative;
        } else if (*c == 'f') {
            magnitude *= 0.1;
        } else if (*c == 't') {
            magnitude *= 0.01;
        }
    }
    return static_cast<float>(negative ? -magnitude : magnitude);
}

// The value type that a signature letter names in a cross-scene reference, or none.
int32_t kindOfLetter(char letter) {
    switch (letter) {
    case 'v': return kScriptVariableRef;
    case 'e': return kScriptElement;
    case 'g': return kScriptGroup;
    case 'f': return kScriptFunction;
    case 't': return kScriptTask;
    case 'a': return kScriptEvent;
    default: return kScriptNone;
    }
}

// "object.name": a property of what the part before the last '.' names.
void makePropertyReference(ScriptContext *context, char letter, const char *token, size_t dot, ScriptValue *slot) {
    ScriptReference *reference = newReference(context);
    resolvePart(context, letter, std::string(token, dot), &reference->object);
    reference->property = intern(context, token + dot + 1);
    slot->setPointer(kScriptPropertyRef, reference);
}

// "base[i]" or "base[i,j]" (entry i * 10 + j); whatever follows the ']' is ignored.
bool makeIndexedReference(ScriptContext *context, char letter, const char *token, size_t close, ScriptValue *slot) {
    std::string head(token, close);
    size_t open = head.rfind('[');
    if (open == std::string::npos) {
        report(context, "Invalid indexing - missing [");
        return false;
    }
    std::string inside = head.substr(open + 1);
    size_t comma = inside.rfind(',');
    ScriptReference *reference = newReference(context);
    resolvePart(context, letter, head.substr(0, open), &reference->object);
    resolvePart(context, 'v', inside.substr(0, comma), &reference->key);
    if (comma != std::string::npos) {
        reference->secondIndex = context->world->scriptPools.newValueSlot();
        resolvePart(context, 'v', inside.substr(comma + 1), reference->secondIndex);
    }
    slot->setPointer(kScriptIndexedRef, reference);
    return true;
}

// "scene::name": an object of another scene, its kind from the letter or from the name's sigil.
bool makeCrossSceneReference(ScriptContext *context, char letter, const char *token, size_t colons,
                             ScriptValue *slot) {
    int32_t kind = kindOfLetter(letter);
    const char *name = token + colons + 2;
    switch (name[0]) {
    case '!':
        kind = kScriptEvent;
        ++name;
        break;
    case '#':
        kind = kScriptVariableRef;
        name += name[1] == '%' ? 1 : 0; // "#%x": the name is in the local %x
        break;
    case '$':
        if (name[1] == '$') {
            kind = kScriptGroup;
            name += 2;
        } else if (name[1] == '%') {
            kind = kScriptElement; // "$%x": the element named by the local %x
            name += 1;
        } else {
            kind = kScriptVariableRef;
        }
        break;
    case '&':
        kind = kScriptFunction;
        ++name;
        break;
    case '@':
        kind = kScriptTask;
        ++name;
        break;
    default:
        break;
    }
    if (kind == kScriptNone) {
        report(context, "Invalid scene object type");
        return false;
    }
    ScriptReference *reference = newReference(context);
    reference->kind = kind;
    if (colons == 0)
        reference->object.setPointer(kScriptScene, context->scene);
    else
        resolvePart(context, 'c', std::string(token, colons), &reference->object);
    if (name[0] == '%')
        resolveParameter(context, 'v', name, &reference->key);
    else
        reference->key.setPointer(kScriptText, intern(context, name));
    slot->setPointer(kScriptCrossSceneRef, reference);
    return true;
}

// Expressions are read from the token's end: the last of '.', ']' and "::" decides. False when the
// token is no expression, or one so broken that it is read plainly.
bool resolveExpression(ScriptContext *context, char letter, const char *token, ScriptValue *slot) {
    for (size_t p = std::strlen(token); p-- > 0;) {
        if (token[p] == '.') {
            makePropertyReference(context, letter, token, p, slot);
            return true;
        }
        if (token[p] == ']')
            return makeIndexedReference(context, letter, token, p, slot);
        if (token[p] == ':' && p > 0 && token[p - 1] == ':')
            return makeCrossSceneReference(context, letter, token, p - 1, slot);
    }
    return false;
}

// The kind a token's first characters choose, and how many of them to skip.
char kindOfPrefix(const char *token, char letter, size_t *skip) {
    *skip = 0;
    switch (token[0]) {
    case '!': *skip = 1; return 'a';
    case '$':
        if (token[1] == '$') {
            *skip = 2;
            return 'g';
        }
        return 'v';
    case '#':
    case '%': return 'v';
    case '&': *skip = 1; return 'f';
    case '@': *skip = 1; return 't';
    case '^': *skip = 1; return 'i';
    case '~': *skip = 1; return 'x';
    default: break;
    }
    if (token[1] == '\'') {
        *skip = 2;
        return token[0];
    }
    return letter;
}

// Splits an optional "scene:" prefix off a name: the context of that scene (the given one without a
// prefix; null for an unknown scene) and the name after the ':'.
ScriptContext *contextOfPrefix(ScriptContext *context, const char *text, const char **name) {
    const char *colon = std::strchr(text, ':');
    *name = colon ? colon + 1 : text;
    if (!colon)
        return context;
    HoScene *scene = context->world->findScene(std::string(text, colon).c_str());
    return scene ? &scene->script : nullptr;
}

// The scene that a "scene:name" text names (the context's own without a prefix), or null.
HoScene *sceneOfPrefix(ScriptContext *context, const char *text, const char **name) {
    ScriptContext *target = contextOfPrefix(context, text, name);
    return target ? target->scene : nullptr;
}

void resolveFunction(ScriptContext *context, const char *text, ScriptValue *slot) {
    const char *name = nullptr;
    ScriptContext *target = contextOfPrefix(context, text, &name);
    if (!target)
        return;
    if (name[0] == '&') {
        target = context->world->globalContext();
        ++name;
    }
    if (findScriptCommand(context->world->names().findInterned(name)))
        report(context, "Command name used as name of function - %s:%s", sceneNameOf(context), name);
    if (target)
        slot->setPointer(kScriptFunction, findOrCreateFunction(name, target));
}

void resolveEvent(ScriptContext *context, const char *text, ScriptValue *slot) {
    const char *name = nullptr;
    ScriptContext *target = contextOfPrefix(context, text, &name);
    if (target && name[0] == '!') {
        target = context->world->globalContext();
        ++name;
    }
    if (target)
        slot->setPointer(kScriptEvent, findOrCreateEvent(name, target));
}

void resolveTask(ScriptContext *context, const char *text, ScriptValue *slot) {
    const char *name = nullptr;
    ScriptContext *target = contextOfPrefix(context, text, &name);
    if (target)
        slot->setPointer(kScriptTask, findOrCreateTask(name, target));
}

void resolveSound(ScriptContext *context, const char *folder, const char *name, ScriptValue *slot) {
    if (!name[0])
        return;
    std::string path = std::string(folder) + name + ".ogg";
    if (HoResource *sound = context->world->scriptSound(path.c_str()))
        slot->setPointer(kScriptSound, sound);
}

// "#!key" and "#?key": the key's text in the game configuration; numeric text gives its number,
// other text the text, no text nothing.
void resolveConfigurationValue(ScriptContext *context, const char *key, ScriptValue *slot) {
    const ConfigEntry *entry = context->world->configurationEntry(key);
    const char *text = entry ? entry->text() : nullptr;
    if (!text || !text[0])
        return;
    if (isNumericText(text))
        slot->setNumber(entry->number);
    else
        slot->setPointer(kScriptText, intern(context, text));
}

bool isGlobalVariableName(const char *token) {
    return token[0] == '#' && (token[1] == '#' || token[1] == '$' || token[1] == '@' || token[1] == '^');
}

void resolveVariable(ScriptContext *context, const char *token, ScriptValue *slot) {
    if (token[0] != '%' && token[0] != '$' && token[0] != '#') {
        report(context, "Variable reference must start with %% or $ or # - %s", token);
        return;
    }
    ScriptContext *target = context;
    std::string name = token;
    if (isGlobalVariableName(token)) {
        target = context->world->globalContext();
    } else if (token[0] == '#' && (token[1] == '!' || token[1] == '?')) {
        resolveConfigurationValue(context, token + 2, slot);
        return;
    } else if (token[0] == '%' && !context->world->currentLocalBlock) {
        report(context, "Local variable outside special block - %s", token);
        return;
    } else {
        const char *after = nullptr;
        target = contextOfPrefix(context, token + 1, &after);
        name = std::string(1, token[0]) + after;
    }
    if (ScriptVariable *variable = target ? findOrCreateVariable(target, name.c_str(), nullptr) : nullptr)
        slot->setPointer(kScriptVariableRef, variable);
}

// A token without an expression: its prefix (or the letter) chooses what it names.
void resolvePlain(ScriptContext *context, char letter, const char *token, ScriptValue *slot) {
    if (token[0] == '\0' || token[0] == '?')
        return;
    size_t skip = 0;
    char kind = kindOfPrefix(token, letter, &skip);
    const char *rest = token + skip;
    if (isNumericText(rest)) {
        slot->setNumber(readScriptNumber(rest));
        return;
    }
    const char *name = nullptr;
    switch (kind) {
    case 'x':
        slot->setPointer(kScriptText, intern(context, rest));
        break;
    case 'e': {
        HoScene *scene = sceneOfPrefix(context, rest, &name);
        if (scene)
            slot->setPointer(kScriptElement, scene->findElement(name));
        break;
    }
    case 'g': {
        HoScene *scene = sceneOfPrefix(context, rest, &name);
        if (scene)
            slot->setPointer(kScriptGroup, scene->findGroup(name));
        break;
    }
    case 'c':
        slot->setPointer(kScriptScene, context->world->findScene(rest));
        break;
    case 'i':
        slot->setPointer(kScriptInventoryItem, context->world->findInventoryItem(rest));
        break;
    case 'f':
        resolveFunction(context, rest, slot);
        break;
    case 't':
        resolveTask(context, rest, slot);
        break;
    case 'a':
        resolveEvent(context, rest, slot);
        break;
    case 's':
        resolveSound(context, std::strchr(rest, '!') ? "data/voice/" : "data/sounds/", rest, slot);
        break;
    case 'm':
        resolveSound(context, "data/music/", rest, slot);
        break;
    case 'v':
        resolveVariable(context, rest, slot);
        break;
    default:
        report(context, "Cannot resolve parameter of type %c: %s", kind, token);
        break;
    }
}

// A rounded index; anything but a number counts as 0.
int64_t indexValue(ScriptContext *context, ScriptValue *slot) {
    ScriptValue *value = resolveValue(context, slot, false);
    return value && value->type == kScriptNumber ? roundToInt(value->number) : 0;
}

ScriptValue *resolveIndexed(ScriptContext *context, ScriptReference *reference, bool wantVariable) {
    int64_t index = indexValue(context, &reference->key);
    if (reference->secondIndex)
        index = index * 10 + indexValue(context, reference->secondIndex);
    if (index < 0 || index > kMaxScriptArrayIndex)
        return nullptr;
    ScriptValue *base = resolveValue(context, &reference->object, wantVariable);
    if (!base)
        return nullptr;
    if ((base->type != kScriptArray || !base->pointer) && !wantVariable)
        return nullptr;
    PtrArray<ScriptValue> *entries = makeArrayValue(base, context->world->scriptPools);
    ScriptValue *entry = index < entries->count() ? entries->get(int32_t(index)) : nullptr;
    if (!entry && wantVariable) {
        entry = context->world->scriptPools.newValueSlot();
        if (!storeArrayEntry(entries, int32_t(index), entry))
            return nullptr;
    }
    return entry;
}

ScriptValue *namedValueOf(ScriptContext *context, PtrArray<NamedValue> &values, const char *name, bool create) {
    NamedValue *named = findOrCreateNamedValue(values, name, context->world->namedValuePool(), create);
    return named ? &named->value : nullptr;
}

ScriptValue *sceneProperty(ScriptContext *context, HoScene *scene, const char *name, bool create) {
    if (name == kwName)
        return &scene->nameValue;
    if (name == kwLocalName)
        return &scene->localNameValue;
    if (name == kwParentScene)
        return &scene->parentValue;
    return namedValueOf(context, scene->namedValues, name, create);
}

// A function's or an event's "name" and "scene", one field of its own, else its named value.
template <typename Record>
ScriptValue *recordProperty(ScriptContext *context, Record *record, const char *name, const char *fieldName,
                            ScriptValue *field, bool create) {
    if (name == kwName)
        return &record->nameValue;
    if (name == kwScene)
        return &record->context->sceneValue;
    if (name == fieldName)
        return field;
    return namedValueOf(context, record->namedValues, name, create);
}

ScriptValue *taskProperty(ScriptContext *context, ScriptTask *task, const char *name, bool create) {
    if (ScriptValue *field = ScriptTask::findProperty(task, name))
        return field;
    return namedValueOf(context, task->namedValues, name, create);
}

// A property that a script names touches the element, so the save keeps it.
ScriptValue *elementProperty(ScriptContext *context, SceneElement *element, const char *name, bool create) {
    element->scriptTouched = 1;
    if (ScriptValue *property = element->findProperty(name))
        return property;
    return namedValueOf(context, element->namedValues, name, create);
}

ScriptValue *resolveProperty(ScriptContext *context, ScriptReference *reference, bool wantVariable) {
    ScriptValue *object = resolveValue(context, &reference->object, false);
    if (!object || !object->pointer)
        return nullptr;
    const char *name = reference->property;
    switch (object->type) {
    case kScriptScene:
        return sceneProperty(context, static_cast<HoScene *>(object->pointer), name, wantVariable);
    case kScriptFunction: {
        auto *function = static_cast<ScriptFunction *>(object->pointer);
        return recordProperty(context, function, name, kwIsDefined, &function->isDefined, wantVariable);
    }
    case kScriptTask:
        return taskProperty(context, static_cast<ScriptTask *>(object->pointer), name, wantVariable);
    case kScriptEvent: {
        auto *event = static_cast<ScriptEvent *>(object->pointer);
        return recordProperty(context, event, name, kwActive, &event->active, wantVariable);
    }
    case kScriptElement:
        return elementProperty(context, static_cast<SceneElement *>(object->pointer), name, wantVariable);
    case kScriptInventoryItem: {
        auto *item = static_cast<HoInventoryItem *>(object->pointer);
        if (ScriptValue *field = item->getField(name))
            return field;
        return namedValueOf(context, item->namedValues, name, wantVariable);
    }
    default:
        return nullptr;
    }
}

ScriptValue *resolveCrossScene(ScriptContext *context, ScriptReference *reference) {
    ScriptValue *sceneValue = resolveValue(context, &reference->object, false);
    ScriptValue *nameValue = resolveValue(context, &reference->key, false);
    if (!sceneValue || sceneValue->type != kScriptScene || !sceneValue->pointer || !nameValue ||
        nameValue->type != kScriptText || !nameValue->pointer)
        return nullptr;
    HoScene *scene = static_cast<HoScene *>(sceneValue->pointer);
    const char *name = nameValue->text();
    switch (reference->kind) {
    case kScriptElement: {
        SceneElement *element = scene->findElement(name);
        if (!element)
            return nullptr;
        element->scriptTouched = 1;
        return &element->selfSlot;
    }
    case kScriptGroup: {
        SceneGroup *group = scene->findGroup(name);
        return group ? &group->value : nullptr;
    }
    case kScriptFunction:
        return &findOrCreateFunction(name, &scene->script)->value;
    case kScriptTask:
        return &findOrCreateTask(name, &scene->script)->value;
    case kScriptEvent:
        return &findOrCreateEvent(name, &scene->script)->value;
    case kScriptVariableRef: {
        ScriptVariable *variable = findOrCreateVariable(&scene->script, name, nullptr);
        return variable ? variable->value : nullptr;
    }
    default:
        return nullptr;
    }
}

} // namespace

void resolveParameter(ScriptContext *context, char letter, const char *token, ScriptValue *slot) {
    slot->clear();
    if (!token)
        return;
    if (!isNumericText(token) && resolveExpression(context, letter, token, slot))
        return;
    resolvePlain(context, letter, token, slot);
}

ScriptValue *resolveValue(ScriptContext *context, ScriptValue *slot, bool wantVariable) {
    if (!slot)
        return nullptr;
    switch (slot->type) {
    case kScriptVariableRef: {
        ScriptVariable *variable = static_cast<ScriptVariable *>(slot->pointer);
        return variable ? variable->value : nullptr;
    }
    case kScriptIndexedRef:
        return resolveIndexed(context, static_cast<ScriptReference *>(slot->pointer), wantVariable);
    case kScriptPropertyRef:
        return resolveProperty(context, static_cast<ScriptReference *>(slot->pointer), wantVariable);
    case kScriptCrossSceneRef:
        return resolveCrossScene(context, static_cast<ScriptReference *>(slot->pointer));
    default:
        return wantVariable ? nullptr : slot;
    }
}

ScriptValue *getStatementParam(ScriptContext *context, ScriptStatement *statement, int32_t i) {
    if (!statement || i < 0 || i >= statement->paramCount())
        return nullptr;
    return resolveValue(context, &statement->params[i], false);
}

ScriptValue *getStatementNumberParam(ScriptContext *context, ScriptStatement *statement, int32_t i) {
    ScriptValue *value = getStatementParam(context, statement, i);
    return value && value->type == kScriptNumber ? value : nullptr;
}
