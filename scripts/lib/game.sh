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
