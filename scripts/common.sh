# Shared by scripts/run and scripts/test: install what the build needs, then configure and build.
set -euo pipefail
VH_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VH_BUILD=${VH_BUILD:-$VH_ROOT/build/${VH_BUILD_KIND:-test}}

vh_install_packages() {
  local missing=()
  while read -r pkg; do
    [ -z "$pkg" ] && continue
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done < "$VH_ROOT/scripts/packages.txt"
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
  fi
}

vh_build() {
  cmake -S "$VH_ROOT" -B "$VH_BUILD" -G Ninja "$@"
  cmake --build "$VH_BUILD" -j "$(nproc)"
}
