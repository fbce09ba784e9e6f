#include "game/script/ScriptCommand.h"

#include <cstring>
#include <mutex>

#include "game/script/ScriptAnimationCommands.h"
#include "game/script/ScriptDrawCommands.h"
#include "game/script/ScriptElementCommands.h"
#include "game/script/ScriptEventCommands.h"
#include "game/script/ScriptFileCommands.h"
#include "game/script/ScriptFlowCommands.h"
#include "game/script/ScriptHandlerEntries.h"
#include "game/script/ScriptKeywords.h"
#include "game/script/ScriptMathCommands.h"
#include "game/script/ScriptMessageCommands.h"
#include "game/script/ScriptSceneCommands.h"
#include "game/script/ScriptSoundCommands.h"

void scriptNoOperation(ScriptContext *, ScriptStatement *) {}

// Rows that share a meaning stay separate rows, in this order. A row's handler is bound here when the
// command is built; until then the row has none and running the statement does nothing.
ScriptCommand ScriptCommandTable[] = {
    {kScriptCommandInclude, kwInclude, "x", nullptr, 0},
    {kScriptCommandInit, kwInit, "B", nullptr, 0},
    {kScriptCommandPlain, kwDo, "B", scriptDo, 0},
    {kScriptCommandPlain, kwQuit, "", scriptQuit, 0},
    {kScriptCommandPlain, kwRestart, "c", scriptRestart, 0},
    {kScriptCommandPlain, kwSurvey, "", scriptSurvey, 0},
    {kScriptCommandPlain, kwOpenLink, "x", scriptOpenLink, 0},
    {kScriptCommandPlain, kwSaveWallpapers, "***", scriptSaveWallpapers, 0},
    {kScriptCommandPlain, kwSaveSoundtrack, "", scriptSaveSoundtrack, 0},
    {kScriptCommandPlain, kwIf, "*x*bxb", scriptIf, 0},
    {kScriptCommandPlain, kwWhile, "*x*b", scriptWhile, 0},
    {kScriptCommandPlain, kwFor, "v***b", scriptFor, 0},
    {kScriptCommandPlain, kwForEach, "vgb", scriptForEach, 0},
    {kScriptCommandPlain, kwIf2, "*x*X*x*bxb", scriptIf2, 0},
    {kScriptCommandPlain, kwIf3, "*x*X*x*X*x*bxb", scriptIf3, 0},
    {kScriptCommandPlain, kwIf4, "*x*X*x*X*x*X*x*bxb", scriptIf4, 0},
    {kScriptCommandFunction, kwFun, "fXXXXXXXXB", nullptr, 0},
    {kScriptCommandPlain, kwCall, "f********", scriptCall, 0},
    {kScriptCommandPlain, kwSet, "v*", scriptSet, 0},
    {kScriptCommandPlain, kwAdd, "v*", scriptAdd, 0},
    {kScriptCommandPlain, kwSub, "v*", scriptSub, 0},
    {kScriptCommandPlain, kwMul, "v*", scriptMul, 0},
    {kScriptCommandPlain, kwDiv, "v*", scriptDiv, 0},
    {kScriptCommandPlain, kwSqrt, "v*", scriptSqrt, 0},
    {kScriptCommandPlain, kwSin, "v*", scriptSin, 0},
    {kScriptCommandPlain, kwCos, "v*", scriptCos, 0},
    {kScriptCommandPlain, kwAtan, "v**", scriptAtan, 0},
    {kScriptCommandPlain, kwFloor, "v*", scriptFloor, 0},
    {kScriptCommandPlain, kwSetInt, "v*", scriptSetInt, 0},
    {kScriptCommandPlain, kwSetRandom, "v**", scriptSetRandom, 0},
    {kScriptCommandPlain, kwGroupAdd, "eg", scriptGroupAdd, 0},
    {kScriptCommandPlain, kwGroupRemove, "eg", scriptGroupRemove, 0},
    {kScriptCommandPlain, kwMath, "v*X*X*X*X*X*X*X*X*X*", scriptMath, 0},
    {kScriptCommandPlain, kwPrint, "xxxxxxxx", scriptPrint, 0},
    {kScriptCommandPlain, kwMsg, "x**", scriptMsg, 0},
    {kScriptCommandPlain, kwMsgTop, "x***", scriptMsgTop, 0},
    {kScriptCommandPlain, kwAfter, "*b", scriptAfter, 0},
    {kScriptCommandPlain, kwAfterFx, "*b", scriptAfterFx, 0},
    {kScriptCommandPlain, kwShow, "e", scriptShow, 0},
    {kScriptCommandPlain, kwHide, "e", scriptHide, 0},
    {kScriptCommandPlain, kwMove, "e**", scriptMove, 0},
    {kScriptCommandPlain, kwSetZ, "e*", scriptSetZ, 0},
    {kScriptCommandPlain, kwRotate, "e*", scriptRotate, 0},
    {kScriptCommandPlain, kwBlend, "e*", scriptBlend, 0},
    {kScriptCommandPlain, kwParticles, "ee*", scriptParticles, 0},
    {kScriptCommandPlain, kwEmit, "ee**", scriptEmit, 0},
    {kScriptCommandPlain, kwPreEmit, "e", scriptPreEmit, 0},
    {kScriptCommandPlain, kwSetImage, "ee", scriptSetImage, 0},
    {kScriptCommandPlain, kwGetLocalText, "vx", scriptGetLocalText, 0},
    {kScriptCommandPlain, kwSetText, "vxxxxxxxx", scriptSetText, 0},
    {kScriptCommandPlain, kwSetTooltip, "ex", scriptSetTooltip, 0},
    {kScriptCommandPlain, kwSetParent, "ee", scriptSetParent, 0},
    {kScriptCommandPlain, kwHash, "v", scriptHash, 0},
    {kScriptCommandPlain, kwDrawInit, "e", scriptDrawInit, 0},
    {kScriptCommandPlain, kwDrawEraser, "e*****", scriptDrawEraser, 0},
    {kScriptCommandPlain, kwDrawTotalAlpha, "ve", scriptDrawTotalAlpha, 0},
    {kScriptCommandPlain, kwDrawRestore, "e", scriptDrawRestore, 0},
    {kScriptCommandPlain, kwSetInputText, "exxxxxxxx", scriptSetInputText, 0},
    {kScriptCommandPlain, kwAnimate, "e***b", scriptAnimate, 0},
    {kScriptCommandPlain, kwAnimateFx, "e***b", scriptAnimateFx, 0},
    {kScriptCommandPlain, kwAfterAnimate, "eb", scriptAfterAnimate, 0},
    {kScriptCommandPlain, kwAfterAnimateFx, "eb", scriptAfterAnimateFx, 0},
    {kScriptCommandPlain, kwFadein, "e*b", scriptFadein, 0},
    {kScriptCommandPlain, kwFadeinFx, "e*b", scriptFadeinFx, 0},
    {kScriptCommandPlain, kwFadeout, "e*b", scriptFadeout, 0},
    {kScriptCommandPlain, kwFadeoutFx, "e*b", scriptFadeoutFx, 0},
    {kScriptCommandPlain, kwBeizerAnimate, "e**b", scriptBeizerAnimate, 0},
    {kScriptCommandPlain, kwBeizerAnimateFx, "e**b", scriptBeizerAnimateFx, 0},
    {kScriptCommandPlain, kwEvent, "ae*", scriptEvent, 0},
    {kScriptCommandPlain, kwSignal, "a*", scriptSignal, 0},
    {kScriptCommandPlain, kwWait, "ab", scriptWait, 0},
    {kScriptCommandPlain, kwAbort, "a", scriptAbort, 0},
    {kScriptCommandPlain, kwSound, "s***", scriptSound, 0},
    {kScriptCommandPlain, kwHoverSound, "es*", scriptHoverSound, 0},
    {kScriptCommandPlain, kwMusic, "m**", scriptMusic, 0},
    {kScriptCommandPlain, kwPauseAllVoice, "*", scriptPauseAllVoice, 0},
    {kScriptCommandPlain, kwPauseSounds, "*", scriptPauseSounds, 0},
    {kScriptCommandPlain, kwVideo, "e**", scriptVideo, 0},
    {kScriptCommandPlain, kwVideoSeek, "e*", scriptVideoSeek, 0},
    {kScriptCommandPlain, kwVideoPlay, "e**", scriptVideoPlay, 0},
    {kScriptCommandPlain, kwVideoPause, "e", scriptVideoPause, 0},
    {kScriptCommandPlain, kwPick, "vab", scriptPick, 0},
    {kScriptCommandPlain, kwUse, "i*", scriptUse, 0},
    {kScriptCommandPlain, kwUntake, "", scriptUntake, 0},
    {kScriptCommandPlain, kwGoto, "c", scriptGoto, 0},
    {kScriptCommandPlain, kwGotoClean, "c", scriptGotoClean, 0},
    {kScriptCommandPlain, kwOpen, "c", scriptOpen, 0},
    {kScriptCommandPlain, kwClose, "", scriptClose, 0},
    {kScriptCommandTask, kwTask, "xvb", nullptr, 0},
    {kScriptCommandTask, kwAction, "xvb", nullptr, 0},
    {kScriptCommandPlain, kwDisable, "teb", scriptDisable, 0},
    {kScriptCommandPlain, kwEnable, "teb", scriptEnable, 0},
    {kScriptCommandPlain, kwComplete, "teb", scriptComplete, 0},
    {kScriptCommandEvent, kwOn, "aB", scriptOn, 0},
    {kScriptCommandElementHandler, kwOnHint, "B", scriptOnHint, 0},
    {kScriptCommandElementHandler, kwOnLook, "*B", scriptOnLook, 0},
    {kScriptCommandElementHandler, kwOnPick, "*B", scriptOnPick, 0},
    {kScriptCommandElementHandler, kwOnUse, "**B", scriptOnUse, 0},
    {kScriptCommandElementHandler, kwOnDummyUse, "B", scriptOnDummyUse, 0},
    {kScriptCommandElementHandler, kwOnGoto, "*B", scriptOnGoto, 0},
    {kScriptCommandElementHandler, kwOnStartMove, "B", scriptOnStartMove, 0},
    {kScriptCommandElementHandler, kwOnMove, "e**B", scriptOnMove, 0},
    {kScriptCommandElementHandler, kwOnEndMove, "B", scriptOnEndMove, 0},
    {kScriptCommandElementHandler, kwOnRotate, "B", scriptOnRotate, 0},
    {kScriptCommandElementHandler, kwOnClick, "*B", scriptOnClick, 0},
    {kScriptCommandElementHandler, kwOnHover, "B", scriptOnHover, 0},
    {kScriptCommandElementHandler, kwOnHovering, "B", scriptOnHovering, 0},
    {kScriptCommandElementHandler, kwOnMouseOut, "B", scriptOnMouseOut, 0},
    {kScriptCommandCompleted, kwOnCompleted, "B", scriptOnCompleted, 0},
    {kScriptCommandPlain, kwQvxAds, "*", scriptNoOperation, 0},
    {kScriptCommandPlain, kwQvxRate, "", scriptNoOperation, 0},
    {kScriptCommandPlain, kwQvxMoreGames, "", scriptNoOperation, 0},
    {kScriptCommandPlain, kwQvxIsplash, "", scriptNoOperation, 0},
    {kScriptCommandPlain, kwQvxTellFriend, "", scriptNoOperation, 0},
    {kScriptCommandPlain, kwQvxSupport, "", scriptNoOperation, 0},
    {kScriptCommandPlain, kwQvxPrivacy, "", scriptNoOperation, 0},
    {kScriptCommandPlain, kwQvxTerms, "", scriptNoOperation, 0},
    {kScriptCommandPlain, kwQvxReport, "**", scriptNoOperation, 0},
    {kScriptCommandPlain, kwIosLockRotation, "*", scriptNoOperation, 0},
    {kScriptCommandPlain, kwSkipTo, "t", scriptNoOperation, 0},
    {kScriptCommandPlain, "", "", nullptr, 0},
};

// Once per process: a second game context (after a restart) may be made while another thread parses.
void initScriptCommandTable() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (ScriptCommand *row = ScriptCommandTable; row->word[0] != '\0'; ++row)
            row->signatureLength = static_cast<int32_t>(std::strlen(row->signature));
    });
}

const ScriptCommand *findScriptCommand(const char *internedWord) {
    for (const ScriptCommand *row = ScriptCommandTable; row->word[0] != '\0'; ++row) {
        if (row->word == internedWord)
            return row;
    }
    return nullptr;
}
