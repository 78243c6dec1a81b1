#!/usr/bin/env bash
# Times saving a 4000x3000 drawing as JPEG (quality 100) and BMP, and cjpeg
# -quality 100 on the same pixels (as a PPM file), medians of 5.
# Targets: JPEG at least 80% of cjpeg's speed, BMP at least 300 MB/s.
# BUILD names the build folder (default build/; built when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh libjpeg-turbo-progs
build=${BUILD:-build}
[[ -x $build/bench/save_bench ]] || scripts/build.sh >/dev/null
bench=$build/bench/save_bench

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$bench" --ppm "$work/drawing.ppm"
ours=$("$bench" "$work")
echo "$ours"

# Median wall and processor seconds of five runs of a command: "wall cpu".
median() {
  local wall=() cpu=()
  for _ in 1 2 3 4 5; do
    local s e used
    s=$(date +%s%N)
    used=$( { TIMEFORMAT='%3U %3S'; time "$@" >/dev/null 2>&1; } 2>&1 )
    e=$(date +%s%N)
    wall+=("$((e - s))")
    cpu+=("$(awk '{printf "%d", ($1 + $2) * 1e9}' <<<"$used")")
  done
  local w c
  w=$(printf '%s\n' "${wall[@]}" | sort -n | sed -n 3p)
  c=$(printf '%s\n' "${cpu[@]}" | sort -n | sed -n 3p)
  awk -v w="$w" -v c="$c" 'BEGIN {printf "%.3f %.3f\n", w / 1e9, c / 1e9}'
}

read -r cjpeg_wall cjpeg_cpu < <(median cjpeg -quality 100 -outfile "$work/cjpeg.jpg" "$work/drawing.ppm")
read -r jpeg_wall jpeg_cpu < <(awk '$1 == "JPEG" {print $2, $7}' <<<"$ours")
bmp_mbs=$(awk '$1 == "BMP" {print $4}' <<<"$ours")
echo "cjpeg -quality 100, same pixels (whole process, reading the PPM): ${cjpeg_wall} s, cpu ${cjpeg_cpu} s"
cmp -s "$work/cjpeg.jpg" "$work/drawing.jpg" && echo "cjpeg's file and ours are byte for byte the same"
awk -v ow="$jpeg_wall" -v tw="$cjpeg_wall" -v oc="$jpeg_cpu" -v tc="$cjpeg_cpu" 'BEGIN {
  printf "JPEG: %.0f%% of cjpeg'"'"'s speed by wall time, %.0f%% by processor time (target >= 80%%)\n",
         100 * tw / ow, 100 * tc / oc }'
echo "BMP: ${bmp_mbs} MB/s (target >= 300 MB/s)"
