#!/usr/bin/env bash
# Builds the demo game's archives data.pak, data_hd.pak and data_sd.pak into OUT_DIR (the folder the
# game runs from), with the content tools built in TOOLS_DIR.
#   demo/build-archives.sh TOOLS_DIR OUT_DIR
# The common pictures, the sounds, the music and the videos go into data.pak; the second start-up picture
# and the game's fonts go into the quality archives, at their HD and SD names and sizes. The world's pictures are drawn at the design size
# for HD and at half for SD and packed into atlases of each quality archive: "common" for the system scenes
# and the inventory's icons, and one per location, named after its scene; the pointers stay plain pictures. The hardware cursors are files beside the
# archives, in OUT_DIR/cursors. Every archive is a zip encrypted with the game's archive password; videos
# are stored without deflating (they are compressed already). The extras that the game copies for the
# player are loose files beside the archives: OUT_DIR/Velt/wallpapers/ and OUT_DIR/Velt/soundtrack/.
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 TOOLS_DIR OUT_DIR" >&2
  exit 1
fi
tools=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
demo=$(cd "$(dirname "$0")" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

title_font=/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf
text_font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
for font in "$title_font" "$text_font"; do
  if [ ! -f "$font" ]; then
    echo "$0: the DejaVu fonts are missing ($font); run scripts/setup" >&2
    exit 1
  fi
done
# Printable ASCII, Latin-1 and the typographic dashes, quotes and ellipsis the texts use.
text_ranges=32-126,160-255,8211-8212,8216-8217,8220-8221,8230

mkdir -p "$work/fonts" "$work/common" "$work/hd" "$work/sd"
"$tools/lf-font" --font "$title_font" --size 64 --out "$work/fonts/title" --ranges 32-126
"$tools/lf-demo-art" splash --font "$work/fonts/title" --out "$work/art"
password=$("$tools/lf-demo-art" password)

mkdir -p "$work/common/splash" "$work/common/data/splash" "$work/hd/data/splash" "$work/sd/data/splash"
cp "$work/art/splash/splash.png" "$work/common/splash/"
cp "$work/art/data/splash/MorvaneLogoStatic.png" "$work/common/data/splash/"
if [ -d "$demo/content" ]; then cp -R "$demo/content/." "$work/common/"; fi
# The game's fonts: 1 for texts, 2 for the HUD and tooltips, 3 for the inventory's counts, in each quality
# archive. Text keeps its font's pixel size on the screen, while the SD picture is half the HD one in design
# units: the SD fonts are made at half the HD sizes, so a text covers the same part of the picture in both.
# The game reads font pages as TGA.
game_font() { # quality folder, number, size in pixels
  local texts="$work/$1/data/texts" prefix="$work/fonts/$1/font_$2"
  mkdir -p "$texts" "$work/fonts/$1"
  "$tools/lf-font" --font "$text_font" --size "$3" --out "$prefix" --ranges "$text_ranges"
  cp "$prefix.ktext" "$texts/"
  for page in "${prefix}"_*.png; do
    "$tools/lf-image" convert "$page" "$texts/$(basename "${page%.png}").tga"
  done
}
game_font hd 1 36
game_font hd 2 28
game_font hd 3 20
game_font sd 1 18
game_font sd 2 14
game_font sd 3 10
# The sounds and the music, synthesised.
"$tools/lf-synth" --out "$work/common"
# The hall's candle flame: a looping video with alpha.
mkdir -p "$work/common/data/movies"
"$tools/lf-video" --scene candle --out "$work/common/data/movies/candle_a.ogv" --size 48x96 --fps 25 --seconds 2 --alpha
# The cut-scene's film: the beam sweeping the night sea, six seconds played once; made at the size the HD
# layout shows it (1800 x 1080, to the nearest whole macroblocks), so that it is sharp there; its element
# stretches it over the screen by less than half a percent (and shrinks it for SD).
"$tools/lf-video" --scene beam --out "$work/common/data/movies/beam.ogv" --size 1792x1072 --fps 25 --seconds 6
cp "$work/art/data/splash/qvx_hd.png" "$work/hd/data/splash/"
cp "$work/art/data/splash/qvx.png" "$work/sd/data/splash/"

world_quality() { # quality folder, scale, largest atlas page
  local art="$work/world-$1" stage="$work/$1"
  "$tools/lf-demo-art" world --out "$art" --scale "$2"
  "$tools/lf-demo-art" shore --out "$art" --scale "$2"
  "$tools/lf-demo-art" hall --out "$art" --scale "$2"
  "$tools/lf-demo-art" wick --out "$art" --scale "$2"
  "$tools/lf-demo-art" study --out "$art" --scale "$2"
  "$tools/lf-demo-art" mirrors --out "$art" --scale "$2"
  "$tools/lf-demo-art" lantern --out "$art" --scale "$2"
  "$tools/lf-demo-art" paused --font "$work/fonts/title" --out "$art" --scale "$2"
  "$tools/lf-demo-art" extras --out "$art" --scale "$2"
  "$tools/lf-demo-art" end --out "$art" --scale "$2"
  mkdir -p "$stage/data/atlas" "$stage/data/system"
  cp -R "$art/data/system/pointers" "$stage/data/system/"
  "$tools/lf-atlas" --name common --out "$stage/data/atlas" --root "$art" --page-size "$3" \
    $(find "$art/data/system" "$art/data/inventory" -name '*.png' ! -path '*/pointers/*' | sort) > /dev/null
  for scene in scenes/shore scenes/hall scenes/hall/zz_desk scenes/gallery scenes/gallery/alt_ho_match3 \
    scenes/gallery/bubbleshooter scenes/gallery/zuma; do
    "$tools/lf-atlas" --name "$(basename "$scene")" --out "$stage/data/atlas" --root "$art" --page-size "$3" \
      $(find "$art/data/$scene" -maxdepth 1 -name '*.png' | sort) > /dev/null
  done
  # The lantern room, up from the gallery.
  "$tools/lf-atlas" --name lantern --out "$stage/data/atlas" --root "$art" --page-size "$3" \
    $(find "$art/data/scenes/lantern" -maxdepth 1 -name '*.png' | sort) > /dev/null
  # The keeper's study, a hidden-object scene below the hall.
  "$tools/lf-atlas" --name ho_study --out "$stage/data/atlas" --root "$art" --page-size "$3" \
    $(find "$art/data/scenes/hall/ho_study" -maxdepth 1 -name '*.png' | sort) > /dev/null
  # (The end scene's pictures, under data/menus/end/, are menus' pictures too.)
  # The profiles, options and extras scenes share the menus' pictures: one atlas, named after the first
  # of them (the game reads an atlas by the name of a scene).
  "$tools/lf-atlas" --name profiles --out "$stage/data/atlas" --root "$art" --page-size "$3" \
    $(find "$art/data/menus" -name '*.png' | sort) > /dev/null
}
world_quality hd 1 4096
world_quality sd 0.5 2048

# The hardware cursors: the arrow of the pointer sheet in sixteen tints, written by ImageMagick.
mkdir -p "$out/cursors"
for n in $(seq 0 15); do
  convert -size 32x32 xc:none -fill "hsl($((n * 22)),60%,75%)" -stroke black \
    -draw "polygon 1,1 1,26 8,20 13,30 17,28 12,18 21,18" "$out/cursors/$(printf 'pointer_%02d.cur' "$n")"
done

# The extras that the game copies for the player lie beside the archives as loose files: the wallpaper at
# the six screen sizes and the soundtrack, the game's music.
rm -rf "$out/Velt/wallpapers" "$out/Velt/soundtrack"
mkdir -p "$out/Velt/soundtrack"
# The JPEG encoder reports each file's size on standard error: shown only when the drawing fails.
wallpaper_log=$("$tools/lf-demo-art" wallpapers --out "$out" 2>&1) || { echo "$wallpaper_log" >&2; exit 1; }
cp "$work/common/data/music/"*.ogg "$out/Velt/soundtrack/"

pack() { # staging folder, archive name
  rm -f "$out/$2"
  (cd "$1" && zip -q -r -X -n .ogv -P "$password" "$out/$2" .)
}
pack "$work/common" data.pak
pack "$work/hd" data_hd.pak
pack "$work/sd" data_sd.pak
echo "$out/data.pak $out/data_hd.pak $out/data_sd.pak"
