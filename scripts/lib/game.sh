# shellcheck shell=bash
# Shared by scripts/run and scripts/soak (sourced from the repository's root).

# Builds the game (Release) with the demo archives beside the executable and every content tool
# (build/release/tools/). It prints a line per stage; the build's own output goes to LOG (by default
# build/release/build.log), named with its last lines when the build fails, while one line shows how far
# the build has come.
build_release() {
  local log=${1:-build/release/build.log} started=$SECONDS
  echo "set-up: checking the packages the build needs (scripts/setup installs what is missing)"
  bash scripts/setup
  mkdir -p "$(dirname "$log")"
  if [ ! -f build/release/CMakeCache.txt ]; then
    echo "build: a first build compiles the game and its tools: 2 to 3 minutes on 8 processors"
  fi
  if ! { cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DLF_BUILD_TESTS=OFF -DLF_BUILD_BENCH=OFF &&
    cmake --build build/release -j "$(nproc)" --target lanternfall demo_archives lf_tools; } 2>&1 |
    show_build_progress "$log"; then
    tail -n 20 "$log" >&2
    echo "build: failed (the last lines above); the whole output is in $log" >&2
    return 1
  fi
  echo "build: done in $(elapsed_since "$started")"
}

# Copies the build's output (standard input) to FILE and shows how far it has come, from its "[ 42%]"
# (make) or "[12/345]" (ninja) lines: one line rewritten in place on a terminal, else a line at each tenth.
show_build_progress() {
  local line percent shown=0 tenth=0
  while IFS= read -r line; do
    printf '%s\n' "$line" >&3
    if [[ $line =~ ^\[\ *([0-9]+)%\] ]]; then
      percent=${BASH_REMATCH[1]}
    elif [[ $line =~ ^\[([0-9]+)/([0-9]+)\] ]]; then
      percent=$((100 * BASH_REMATCH[1] / BASH_REMATCH[2]))
    else
      continue
    fi
    [ "$percent" -gt "$shown" ] || continue
    shown=$percent
    if [ -t 1 ]; then
      printf '\rbuild: %3d%%' "$shown"
    elif [ $((shown / 10)) -gt "$tenth" ]; then
      tenth=$((shown / 10))
      echo "build: $shown%"
    fi
  done 3>"$1"
  if [ -t 1 ] && [ "$shown" -gt 0 ]; then echo; fi
}

# The time since SECONDS was STARTED, as "1 min 05 s".
elapsed_since() {
  local seconds=$((SECONDS - $1))
  if [ "$seconds" -ge 60 ]; then printf '%d min %02d s' $((seconds / 60)) $((seconds % 60)); else echo "$seconds s"; fi
}

# The error lines of the game's log FILE (the rule of the whole-game tests): a line ending ", ERROR" or whose
# message starts "Game: Error", in any letter case.
log_error_lines() {
  awk '/, ERROR$/ || tolower(substr($0, 11, 11)) == "game: error"' "$1" 2>/dev/null
}

# check_exit STATUS LOG: a game that ended with an error status (it could not start: its data missing or
# damaged) has shown the player why in its error dialog, whose text is also an error line of its log LOG:
# prints those lines and the status, and ends the run with that status. Nothing for a status of 0.
check_exit() {
  local status=$1 log=$2
  [ "$status" -eq 0 ] && return 0
  log_error_lines "$log" >&2
  echo "check: the game ended with exit status $status; its log is $log" >&2
  exit "$status"
}

# check_log LOG: the scripted walk-through meets no problem, so an error line in the game's log LOG is a
# fault: prints the error lines and ends the run with status 1.
check_log() {
  local log=$1 errors
  errors=$(log_error_lines "$log")
  if [ -n "$errors" ]; then
    echo "$errors" >&2
    echo "check: the game logged errors (above); the whole log is $log" >&2
    exit 1
  fi
  echo "check: no errors in the game's log, $log"
}

# end_player_session STATUS LOG: after a player's own session, which ended with STATUS. The game may have
# met and told of problems it handles (a save not written or not finished, a copy that failed, no program to
# open a page or an opener that did not take it), each logged as an error line: the error lines of its log
# LOG are listed as what it told, not as a failure, and the run ends with the game's own status (check_exit
# for an error status).
end_player_session() {
  local status=$1 log=$2 problems
  check_exit "$status" "$log"
  problems=$(log_error_lines "$log")
  if [ -n "$problems" ]; then
    echo "check: the game told of these problems (its log is $log):"
    echo "$problems"
  else
    echo "check: the game told of no problems; its log is $log"
  fi
  exit "$status"
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
