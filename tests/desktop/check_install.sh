#!/usr/bin/env bash
# The installed tree and the Debian package, checked as a packager would:
# check_install.sh BUILD_DIR SHOWN_PROBE "ICON SIZES"
# 1. `cmake --install` puts the program, the desktop entry, the AppStream data
#    and every icon in place, and the desktop tools accept them;
# 2. `cpack -G DEB` makes a package that lists the same files, depends on the
#    libraries the program links, and whose program starts from a clean root.
set -euo pipefail
build=$1 probe=$2 sizes=$3
id=example.pompom_kobo.tagnarabe
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

expected_files() {  # the tree under a prefix, one path a line
  echo bin/tagnarabe
  echo bin/tagnarabe-cli
  echo "share/applications/$id.desktop"
  echo "share/metainfo/$id.metainfo.xml"
  for s in $sizes; do echo "share/icons/hicolor/${s}x${s}/apps/tagnarabe.png"; done
  echo share/icons/hicolor/scalable/apps/tagnarabe.svg
}

check_tree() {  # prefix
  local prefix=$1
  while read -r f; do
    [ -f "$prefix/$f" ] || fail "not installed: $f"
  done < <(expected_files)
  [ -x "$prefix/bin/tagnarabe" ] || fail "the program is not executable"
  for s in $sizes; do
    file -b "$prefix/share/icons/hicolor/${s}x${s}/apps/tagnarabe.png" |
      grep -q "PNG image data, $s x $s," || fail "icon ${s}x${s} is not a ${s}x${s} PNG"
  done
  desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "desktop entry"
  appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" || fail "metainfo"
  grep -q '^Exec=tagnarabe %f$' "$prefix/share/applications/$id.desktop" || fail "Exec takes no folder"
  grep -q '^Name\[ja\]=タグならべ$' "$prefix/share/applications/$id.desktop" || fail "no Japanese name"
}

# 1. cmake --install
cmake --install "$build" --prefix "$work/prefix" >/dev/null
check_tree "$work/prefix"
# Nothing but the expected files.
(cd "$work/prefix" && find . -type f | sed 's|^\./||' | sort) > "$work/installed"
expected_files | sort > "$work/expected"
diff -u "$work/expected" "$work/installed" || fail "the installed tree differs"

# 2. the Debian package
(cd "$build" && cpack -G DEB -B "$work/pkg" >/dev/null) || fail "cpack"
deb=$(ls "$work"/pkg/*.deb)
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./usr/||' | grep -v -e '/$' -e '^$' | sort > "$work/packaged"
diff -u "$work/expected" "$work/packaged" || fail "the package holds other files"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libtag1v5 libzip4; do
  grep -q "$lib" <<< "$depends" || fail "Depends lacks $lib: $depends"
done
[ "$(dpkg-deb -f "$deb" Package)" = tagnarabe ] || fail "package name"

mkdir "$work/root"
dpkg-deb -x "$deb" "$work/root"
check_tree "$work/root/usr"
mkdir "$work/music"
run_packaged() {  # the packaged program, ended by the probe once its start-up form shows
  env -u LD_PRELOAD QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0:verify_asan_link_order=0 \
    TAGNARABE_PROBE_WINDOW=tn::Form2 LD_PRELOAD="$probe" XDG_CONFIG_HOME="$work/config" \
    timeout 30 "$work/root/usr/bin/tagnarabe" "$@"
}
run_packaged "$work/music" || fail "the packaged program did not start on a folder (exit $?)"
# A folder that is not there is said so, and the program starts all the same.
run_packaged "$work/gone" 2> "$work/stderr" || fail "the packaged program did not start (exit $?)"
grep -q "フォルダを開けません: $work/gone" "$work/stderr" || fail "no word on a missing folder"
# The packaged command line reads a folder too.
cp "$(dirname "$0")/../../samples/01 夜明けの歌.mp3" "$work/music/"
env -u LD_PRELOAD ASAN_OPTIONS=detect_leaks=0:verify_asan_link_order=0 \
  "$work/root/usr/bin/tagnarabe-cli" list "$work/music" > "$work/listed" || fail "the packaged command line"
grep -q "^01	01 夜明けの歌.mp3	夜明けの歌	" "$work/listed" || fail "the packaged command line lists: $(cat "$work/listed")"
echo "installed tree and package: OK"
