#pragma once
// The script files of a scene, parsed into its context's top level in this order: "common_pre", then
// "common_zz", "common_mg" and "common_ho" for a zoom zone, a minigame and a hidden-object scene, the
// scene's own script from its folder, and "common_post". A missing file is skipped silently.

struct ScriptContext;

void loadSceneScripts(ScriptContext *context);
// Parses "folder/name.script" into the context's top level under the script name "name".
void parseSceneScriptFile(ScriptContext *context, const char *folder, const char *name);
