#pragma once
// The command words that start timed changes of an element and run a block when they end: frame
// animations (of an element or of every member of a group), the block at the end of an animation
// cycle, fades in and out, and moves along a Bezier curve. Each pair shares one body; the "_fx" word
// neither keeps the world busy nor holds its task back.

struct ScriptContext;
struct ScriptStatement;

void scriptAnimate(ScriptContext *context, ScriptStatement *statement);
void scriptAnimateFx(ScriptContext *context, ScriptStatement *statement);
void scriptAfterAnimate(ScriptContext *context, ScriptStatement *statement);
void scriptAfterAnimateFx(ScriptContext *context, ScriptStatement *statement);
void scriptFadein(ScriptContext *context, ScriptStatement *statement);
void scriptFadeinFx(ScriptContext *context, ScriptStatement *statement);
void scriptFadeout(ScriptContext *context, ScriptStatement *statement);
void scriptFadeoutFx(ScriptContext *context, ScriptStatement *statement);
void scriptBeizerAnimate(ScriptContext *context, ScriptStatement *statement);
void scriptBeizerAnimateFx(ScriptContext *context, ScriptStatement *statement);
