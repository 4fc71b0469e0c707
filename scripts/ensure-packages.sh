# Installs the named Debian packages that are missing (sourced by play.sh, test.sh and the stage scripts).
ensure_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    if [ -z "${VELK_APT_UPDATED:-}" ]; then
        $sudo apt-get update -qq || return 1
        export VELK_APT_UPDATED=1
    fi
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null || return 1
}

# What building the Linux program and its tests needs.
VELK_BUILD_PACKAGES=(cmake make g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev libncurses-dev libsdl2-mixer-dev zlib1g-dev
    libgif-dev libfreetype-dev fonts-dejavu-core)

# The sanitizer build with the fuzz targets (libclang-rt-14-dev is only recommended by clang, so named); its
# terminal program and velk-replay are also what the terminal and save stages run, so they honour the crash key.
VELK_FUZZ_PACKAGES=(clang-14 libfuzzer-14-dev libclang-rt-14-dev)
VELK_FUZZ_BUILD_ARGS=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELK_SANITIZE=ON -DVELK_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++-14 -DVELK_CRASH_KEY=ON)
