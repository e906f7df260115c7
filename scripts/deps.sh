# Debian 12 packages the build, the tests and the demo need. Sourced by scripts/run and scripts/test.
QV_PACKAGES=(
  g++ cmake ninja-build pkg-config python3 git clang-format
  qt6-base-dev qt6-serialport-dev libqt6svg6 qt6-svg-dev qt6-translations-l10n libqt6sql6-sqlite
  libqcustomplot-dev libftdi1-dev libftdi1-2
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth fonts-dejavu-core poppler-utils
)

qv_install_packages() {
  local missing=()
  for p in "${QV_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# qv_build <folder> [--werror]: configures and builds everything. --werror makes every compiler
# warning an error (QV_WERROR); without it a fresh folder builds with warnings as warnings and an
# existing one keeps the choice it was configured with, so that switching does not rebuild it all.
qv_build() {
  local dir="$1"
  local options=()
  if [ "${2:-}" = "--werror" ]; then
    options+=(-DQV_WERROR=ON)
  fi
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}"
  cmake --build "$dir"
}
