#!/usr/bin/env bash
# Builds Kresbon, runs every benchmark and prints each figure (medians of 5).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh python3 python3-pil time libjpeg-turbo-progs
scripts/build.sh >/dev/null

work=bench/out
mkdir -p "$work"
/usr/bin/python3 bench/make_scripts.py "$work"
render=build/kresbon-render

# Median wall time of five whole-process runs of a command.
median() {
  local times=()
  for _ in 1 2 3 4 5; do
    local s e
    s=$(date +%s%N)
    "$@" >/dev/null 2>&1 || true
    e=$(date +%s%N)
    times+=("$(( (e - s) / 1000000 ))")
  done
  local ms
  ms=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 3p)
  printf '%d.%03d' $((ms / 1000)) $((ms % 1000))
}

# Peak resident memory in MB of one run.
peak() {
  /usr/bin/time -f '%M' "$@" 2>&1 >/dev/null | tail -n 1 | awk '{printf "%.1f", $1 / 1024}'
}

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"

t=$(median $render --depth 24 --output $work/lines.bmp $work/lines.krs)
p=$(/usr/bin/python3 bench/pillow_draw.py $work/pillow.json lines)
w=$(median /usr/bin/python3 bench/pillow_draw.py $work/pillow.json lines --whole $work/pillow_lines.bmp)
echo "100,000 lines, 2000x2000, 24 bits, whole process with BMP: ${t} s (Pillow ImageDraw.line, same job as a whole process: ${w} s, drawing alone: ${p} s; target <= 0.5 s and faster)"

t=$(median $render --depth 24 --output $work/ellipses.bmp $work/ellipses.krs)
p=$(/usr/bin/python3 bench/pillow_draw.py $work/pillow.json shapes)
w=$(median /usr/bin/python3 bench/pillow_draw.py $work/pillow.json shapes --whole $work/pillow_shapes.bmp)
echo "20,000 circles and ellipses, 2000x2000, whole process with BMP: ${t} s (Pillow ImageDraw.ellipse, whole process: ${w} s, drawing alone: ${p} s; target faster)"

f=$(build/bench/fill_bench)
echo "FillArea of a 4000x4000 region: ${f} million pixels/s (target >= 150)"

t=$(median $render --depth 24 $work/points.krs)
echo "100,000 Point lines with 3-operator expressions, whole process: ${t} s (target < 0.3 s)"

t=$(median $render --depth 24 $work/procedures.krs)
echo "1,000 procedures and 100,000 calls, whole process: ${t} s (target < 1 s)"

m=$(peak $render --depth 24 $work/fill.krs)
echo "peak memory, 4000x4000 drawing at 24 bits: ${m} MB (drawing's own pixels: 61.0 MB as 32-bit words; target <= drawing + 30 MB)"
m=$(peak $render --depth 24 $work/lines.krs)
echo "peak memory, 100,000-line script, 2000x2000: ${m} MB (drawing's own pixels: 15.3 MB; target <= drawing + 30 MB)"

read -r opaque clear first < <(build/bench/text_bench)
p=$(/usr/bin/python3 bench/pillow_text.py)
echo "10,000 Text commands, 12 px, angles 0 and 90, 2000x2000: ${opaque} s (clear brush ${clear} s, cold glyph cache ${first} s; Pillow ImageDraw.text: ${p} s; target faster)"

echo "1000x1000 JPEG picture placed 100 times, stretched: $(build/bench/picture_bench) (target under 2 s)"

BUILD=build bench/save_compare.sh

# The editing loop, in the desktop program's window on the offscreen
# platform: medians of 5 runs of each figure.
if [[ -x build/bench/editing_bench ]]; then
  runs=$(for _ in 1 2 3 4 5; do
    QT_QPA_PLATFORM=offscreen build/bench/editing_bench build/src/shell/demo.krs 2>/dev/null | tail -n 1
  done)
  med() { printf '%s\n' "$runs" | awk -v c="$1" '{print $c}' | sort -n | sed -n 3p; }
  echo "keystroke in a 10,000-line script, highlighting on: median $(med 1) ms, 99th percentile $(med 2) ms CPU (wall: $(med 3) / $(med 4) ms; target < 16 ms)"
  echo "refresh while typing on the demo, last key to new drawing: $(med 5) ms (300 ms pause included; target < 400 ms)"
  echo "zoom change on a 4000x4000 drawing, painted: median $(med 6) ms, worst $(med 7) ms CPU (wall: $(med 8) / $(med 9) ms; target < 50 ms)"
fi
