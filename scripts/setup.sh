# Shared set-up of scripts/run and scripts/test: installs the Debian packages
# that are missing, then configures and builds into build/ incrementally.
# Sourced, not run. Honours BUILD_DIR and CMAKE_ARGS, and BUILD_TARGETS
# (all when empty).

set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# libreoffice-calc-nogui: the export tests open the sheets with LibreOffice
# headless as a second reader.
packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-qpa-plugins libgl-dev
  libtag1-dev libzip-dev libxlsxwriter-dev zlib1g-dev python3-mutagen python3-openpyxl
  fonts-ipafont fonts-ipaexfont fonts-noto-color-emoji qt6-translations-l10n
  desktop-file-utils appstream dpkg-dev file
  libbenchmark-dev clang libclang-rt-14-dev
  libmecab-dev unidic-mecab mecab-ipadic-utf8
  libreoffice-calc-nogui
)
# Packages only some scripts need (scripts/bench: the peer tag tool).
read -r -a extra <<< "${EXTRA_PACKAGES:-}"
packages+=("${extra[@]}")

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
}

build() {
  local dir=${BUILD_DIR:-$root/build}
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${CMAKE_ARGS:-}
  local targets=()
  read -r -a targets <<< "${BUILD_TARGETS:-}"
  cmake --build "$dir" -j"$(nproc)" ${targets[@]:+--target "${targets[@]}"}
}

install_missing
build
