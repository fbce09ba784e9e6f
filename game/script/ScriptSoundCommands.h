#pragma once
// The command words that steer sounds, music and videos: sound, hover_sound, music, pause_all_voice,
// pause_sounds, video, video_seek, video_play and video_pause.

struct ScriptContext;
struct ScriptStatement;

void scriptSound(ScriptContext *context, ScriptStatement *statement);
void scriptHoverSound(ScriptContext *context, ScriptStatement *statement);
void scriptMusic(ScriptContext *context, ScriptStatement *statement);
void scriptPauseAllVoice(ScriptContext *context, ScriptStatement *statement);
void scriptPauseSounds(ScriptContext *context, ScriptStatement *statement);
void scriptVideo(ScriptContext *context, ScriptStatement *statement);
void scriptVideoSeek(ScriptContext *context, ScriptStatement *statement);
void scriptVideoPlay(ScriptContext *context, ScriptStatement *statement);
void scriptVideoPause(ScriptContext *context, ScriptStatement *statement);
