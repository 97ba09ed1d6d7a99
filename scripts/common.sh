# Shared by the run and test commands: installs what the build needs, once.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# What the programs are built from.
PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-charts-dev qt6-svg-dev libgl-dev
          libsqlite3-dev libzip-dev libcli11-dev nlohmann-json3-dev libxxhash-dev libpq-dev)
# What the tests and benchmarks need besides: a PostgreSQL server among them, which running
# or packaging the program has no use for.
TEST_PACKAGES=(libgtest-dev libbenchmark-dev python3 postgresql)

ensure_packages() {
    local missing=()
    for p in "${PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
}

# configure_and_build DIR [cmake options...]
configure_and_build() {
    local dir="$1"; shift
    cmake -S "$ROOT" -B "$ROOT/$dir" -G Ninja "$@" >/dev/null
    cmake --build "$ROOT/$dir" -j2
}
