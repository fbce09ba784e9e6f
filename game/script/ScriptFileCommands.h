#pragma once
// Handlers of the commands open_link, survey, save_wallpapers and save_soundtrack.

struct ScriptContext;
struct ScriptStatement;

void scriptOpenLink(ScriptContext *context, ScriptStatement *statement);
void scriptSurvey(ScriptContext *context, ScriptStatement *statement);
void scriptSaveWallpapers(ScriptContext *context, ScriptStatement *statement);
void scriptSaveSoundtrack(ScriptContext *context, ScriptStatement *statement);
