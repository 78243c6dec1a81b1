#!/usr/bin/env bash
# Builds the Debian package from the build folder as the README says, and
# checks what it installs, that its dependencies were worked out, and that
# lintian finds no error in it.
#   package_check.sh BUILD_FOLDER DESKTOP(ON|OFF)
set -u
build=$1
desktop=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

(cd "$build" && cpack -G DEB -B "$scratch" >"$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log"; exit 1; }
deb=$(ls "$scratch"/kresbon_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || { fail "no kresbon_*.deb"; ls "$scratch"; exit 1; }

files=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|')
expect=(
  /usr/bin/kresbon-render
  /usr/bin/kresbon-lsp
  /usr/share/mime/packages/kresbon.xml
  /usr/share/thumbnailers/kresbon.thumbnailer
  /usr/share/kresbon/editors/vim/syntax/kresbon.vim
  /usr/share/kresbon/editors/vim/ftdetect/kresbon.vim
  /usr/share/kresbon/editors/vscode/package.json
  /usr/share/kresbon/editors/vscode/language-configuration.json
  /usr/share/kresbon/editors/vscode/syntaxes/kresbon.tmLanguage.json
  /usr/share/doc/kresbon/copyright
  /usr/share/doc/kresbon/changelog.gz
)
if [ "$desktop" = ON ]; then
  expect+=(
    /usr/bin/kresbon
    /usr/share/kresbon/demo.krs
    /usr/share/kresbon/help/KR1000/index.html
    /usr/share/kresbon/help/KR2000/index.html
    /usr/share/kresbon/examples/KR1000/include-frame.krs
    /usr/share/kresbon/examples/KR2000/demo.krs
    /usr/share/applications/kresbon.desktop
    /usr/share/icons/hicolor/scalable/apps/kresbon.svg
  )
fi
for f in "${expect[@]}"; do
  grep -qxF "$f" <<<"$files" || fail "the package lacks $f"
done
# Nothing outside /usr, and the build folder's paths are nowhere inside.
outside=$(grep -v '^/usr' <<<"$files" | grep -vx '/' || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"
mkdir -p "$scratch/tree" && dpkg-deb -x "$deb" "$scratch/tree"
grep -q 'Exec=/usr/bin/kresbon-render ' "$scratch/tree/usr/share/thumbnailers/kresbon.thumbnailer" ||
  fail "the thumbnailer does not name /usr/bin/kresbon-render"

depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libpng16-16 libfreetype6 libfontconfig1 libgif7 libstdc++6; do
  grep -q "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
done
if [ "$desktop" = ON ]; then
  grep -q 'libqt6widgets6' <<<"$depends" || fail "Depends lacks the Qt libraries: $depends"
fi

# Its report stays in the build folder, warnings included.
if command -v lintian >/dev/null; then
  lintian --fail-on error --tag-display-limit 0 "$deb" >"$build/lintian.log" 2>&1 ||
    { fail "lintian reports errors"; cat "$build/lintian.log"; }
fi
exit $((failures > 0))
