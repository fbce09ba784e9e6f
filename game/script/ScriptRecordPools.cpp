#include "game/script/ScriptRecordPools.h"

ScriptStatement *ScriptRecordPools::newStatement(const ScriptCommand *command) {
    ScriptStatement *statement = statements.allocate();
    statement->command = command;
    statement->params = parameterSlots.allocateArray(command ? command->signatureLength : 0);
    return statement;
}

ScriptBlock *ScriptRecordPools::newBlock(bool withLocals) {
    ScriptBlock *block = blocks.allocate();
    if (withLocals)
        block->locals = localLists.allocate();
    return block;
}

ScriptValue *ScriptRecordPools::newValueSlot() {
    return valueSlots.allocate();
}

ScriptVariable *ScriptRecordPools::newVariable(const char *internedName, ScriptValue *slot) {
    ScriptVariable *variable = variables.allocate();
    variable->name = internedName;
    variable->value = slot ? slot : newValueSlot();
    return variable;
}

PtrArray<ScriptValue> *ScriptRecordPools::newArrayList() {
    return arrayLists.allocate();
}
