#!/usr/bin/env bash
# kresbon-render at the edges of files: what it refuses, with which status,
# and that nothing it refuses is touched or left behind.
set -u
render=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
failures=0
expect() {  # expect STATUS DESCRIPTION -- command...
    local want=$1 what=$2
    shift 3
    "$@" >out.txt 2>err.txt
    local got=$?
    if [ "$got" != "$want" ]; then
        echo "FAIL: $what: status $got, expected $want"; cat err.txt; failures=$((failures + 1))
    fi
}
mentions() {  # mentions TEXT DESCRIPTION
    if ! grep -qF -- "$1" err.txt; then echo "FAIL: $2: no \"$1\" in:"; cat err.txt; failures=$((failures + 1)); fi
}

printf 'Point 1, 1\n' >ok.krs
expect 2 'empty --output' -- "$render" --output "" ok.krs
mentions '--output' 'empty --output'

expect 2 'a read error in the script' -- "$render" /proc/self/mem
mentions '/proc/self/mem' 'a read error in the script'

mkfifo pipe.krs
expect 2 'a script that is a named pipe' -- timeout 10 "$render" pipe.krs
mentions 'pipe.krs' 'a script that is a named pipe'

printf 'Circle 100, 100, 50\nCircle 1, 1, x\n' >stops.krs
expect 0 'a thumbnail of a script that stops at an error' -- "$render" --thumbnail 64 --output thumb.png stops.krs
mentions 'Line 2' 'a thumbnail of a script that stops at an error'
[ -s thumb.png ] || { echo "FAIL: no thumbnail of a script that stops at an error"; failures=$((failures + 1)); }
expect 1 'the same script saved whole' -- "$render" --output whole.png stops.krs

printf 'MaximumX = 0.5\n' >narrow.krs
printf 'MaximumY = 0.5\n' >flat.krs
for script in narrow.krs flat.krs; do
    for ext in bmp gif jpg png svg pdf dxf; do
        expect 2 "$script saved as $ext" -- "$render" --output "zero.$ext" "$script"
        mentions "zero.$ext" "$script saved as $ext"
    done
done

for bad in 0 -1 x 1e9 ''; do
    expect 2 "--unit-mm '$bad'" -- "$render" --unit-mm "$bad" --output unit.svg ok.krs
    mentions '--unit-mm' "--unit-mm '$bad'"
done
expect 2 'a thumbnail as SVG' -- "$render" --thumbnail 64 --output thumb.svg ok.krs
[ -e thumb.svg ] && { echo "FAIL: a thumbnail was written as SVG"; failures=$((failures + 1)); }
printf 'MaximumX = 40\nMaximumY = 20\nLine 1, 1, 30, 10\n' >scaled.krs
expect 0 'SVG at half a millimetre a unit' -- "$render" --unit-mm 0.5 --output scaled.svg scaled.krs
grep -q 'width="20mm" height="10mm" viewBox="0 0 40 20"' scaled.svg ||
    { echo "FAIL: SVG size at --unit-mm 0.5: $(head -c 400 scaled.svg)"; failures=$((failures + 1)); }

# Thumbnails have a budget no script can pass: the run stops after its
# processor time and the thumbnail of what was drawn is written.
{
    printf 'Procedure P0 #x\nPoint #x, 5, Red\nEnd\n'
    for level in 1 2 3 4 5 6 7 8; do
        printf 'Procedure P%d #x\n' "$level"
        for call in 1 2 3 4 5 6 7 8 9 10; do printf 'P%d #x\n' $((level - 1)); done
        printf 'End\n'
    done
    printf 'P8 1\n'
} >exponential.krs
expect 0 'a thumbnail of a script that would run for minutes' -- timeout 30 "$render" --thumbnail 64 --output expo.png exponential.krs
mentions '2 s of processor time' 'a thumbnail of a script that would run for minutes'
[ -s expo.png ] || { echo "FAIL: no thumbnail of a script that runs out of time"; failures=$((failures + 1)); }
# A drawing beyond the memory budget is refused; the drawing made before it
# stays and is what the thumbnail shows.
printf 'MaximumX = 9000\nMaximumY = 9000\n' >large.krs
expect 0 'a thumbnail of a drawing beyond the memory budget' -- timeout 30 "$render" --depth 32 --thumbnail 64 --output large.png large.krs
mentions 'The drawing is too large' 'a thumbnail of a drawing beyond the memory budget'
[ -s large.png ] || { echo "FAIL: no thumbnail of the drawing made before a refused one"; failures=$((failures + 1)); }
# Scaling reads only the pixels it takes, not a row of the drawing's width.
printf 'MaximumY = 1\nMaximumX = 400000000\nLine 0, 0, 399999999, 0, Solid, 1, Red\n' >wide.krs
expect 0 'a thumbnail of a drawing 400 million pixels wide' -- timeout 60 "$render" --thumbnail 64 --output wide.png wide.krs
[ -s wide.png ] || { echo "FAIL: no thumbnail of a very wide drawing"; failures=$((failures + 1)); }

# A system file that never ends is refused at once, not read towards 1 GiB.
printf '@include "/proc/self/pagemap"\n' >pagemap.krs
expect 1 'including the page map' -- timeout 30 "$render" pagemap.krs
mentions 'pagemap' 'including the page map'

mkfifo out.bmp
expect 2 'output onto a named pipe' -- timeout 10 "$render" --output out.bmp ok.krs
[ -p out.bmp ] || { echo "FAIL: the named pipe was replaced"; failures=$((failures + 1)); }

ln -s drawn.bmp dangling.bmp
expect 0 'output through a dangling link' -- "$render" --output dangling.bmp ok.krs
[ -L dangling.bmp ] && [ -f drawn.bmp ] || { echo "FAIL: the link was not followed"; failures=$((failures + 1)); }

leftover=$(ls -A | grep -c '\.tmp$')
[ "$leftover" = 0 ] || { echo "FAIL: temporary files left: $(ls -A)"; failures=$((failures + 1)); }
exit $((failures > 0))
