# shellcheck shell=bash
# Shared by scripts/run and scripts/soak (sourced from the repository's root).

# Builds the game (Release) with the demo archives beside the executable and every content tool
# (build/release/tools/).
build_release() {
  bash scripts/setup
  cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DLF_BUILD_TESTS=OFF -DLF_BUILD_BENCH=OFF >/dev/null
  cmake --build build/release -j "$(nproc)" --target lanternfall demo_archives lf_tools
}

# The error lines of the game's log FILE (the rule of the whole-game tests): a line ending ", ERROR" or whose
# message starts "Game: Error", in any letter case.
log_error_lines() {
  awk '/, ERROR$/ || tolower(substr($0, 11, 11)) == "game: error"' "$1" 2>/dev/null
}

# Makes a home folder of its own at HOME_DIR (afresh), with a stand-in for the desktop's opener that appends
# the pages it would open to OPENED_FILE.
make_play_home() {
  local home=$1 opened=$2
  rm -rf "$home"
  mkdir -p "$home/bin"
  printf '#!/bin/sh\necho "$@" >> "%s"\n' "$opened" > "$home/bin/xdg-open"
  chmod +x "$home/bin/xdg-open"
  rm -f "$opened"
}

# play_headless GAME HOME_DIR INPUT FRAME_MS FRAME_LIMIT SHOTS SHOT_DIR LOG: plays the game at GAME headless in
# the home folder HOME_DIR (made by make_play_home) with the input script INPUT, a fixed clock of FRAME_MS a
# frame, FRAME_LIMIT frames, screenshots at the comma-separated frames SHOTS into SHOT_DIR and its log in LOG.
# The shell becomes the game (exec), so run it in a subshell or in the background: the background job's
# process is then the game's.
play_headless() {
  local game=$1 home=$2 input=$3 frame_ms=$4 frame_limit=$5 shots=$6 shot_dir=$7 log=$8
  SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}" \
    HOME="$home" XDG_DATA_HOME="$home/.local/share" XDG_CONFIG_HOME="$home/.config" PATH="$home/bin:$PATH" \
    LANTERNFALL_INPUT_SCRIPT="$input" \
    LANTERNFALL_FIXED_CLOCK_MS="$frame_ms" \
    LANTERNFALL_FRAME_LIMIT="$frame_limit" \
    LANTERNFALL_SCREENSHOTS="$shots" \
    LANTERNFALL_SCREENSHOT_DIR="$shot_dir" \
    LANTERNFALL_LOG="$log" \
    exec "$game"
}
