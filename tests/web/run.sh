#!/usr/bin/env bash
# Web stage: builds the browser page (installing what is missing) and runs its tests in headless Chromium.
set -uo pipefail
cd "$(dirname "$0")/../.."
STAGE=web
. tests/lib.sh
. scripts/ensure-packages.sh
fail() { echo "web: $*" >&2; check "$*" false; report; exit 1; }

ensure_packages emscripten chromium fonts-dejavu-core nodejs || fail "could not install the packages"
command -v npm >/dev/null || ensure_packages npm || fail "could not install npm"

# The page serves the sound files of the host package (the release build of test.sh makes them).
host=${VELK_WEB_HOST_BUILD:-build/test}
web=${VELK_WEB_BUILD:-build/web}
ensure_release_build "$host" || fail "could not build the host package"

mkdir -p "$web"
emcmake cmake -S . -B "$web" -DVELK_PLATFORM=web -DVELK_TESTS=OFF -DVELK_WERROR=ON -DCMAKE_BUILD_TYPE=Release \
    -DVELK_HOST_PACKAGE_DIR="$(realpath "$host")/package" >"$web"/configure.log 2>&1 ||
    { cat "$web"/configure.log; fail "configure failed"; }
cmake --build "$web" --target velk_page_folder -j2 >"$web"/build.log 2>&1 ||
    { cat "$web"/build.log; fail "the page did not build"; }

# Two sites for the zip's test: the zip unpacked under a sub-path, and a second build with one file changed.
sites=$(realpath "$web")/sites
rm -rf "$sites" && mkdir -p "$sites/1/games/velk" "$sites/2/games" && cp -r src/platform/web/page "$sites/sources" &&
    (cd "$sites/1/games/velk" && cmake -E tar xf "$(realpath "$OLDPWD/$web")"/velk-web-*.zip) &&
    cp -r "$sites/1/games/velk" "$sites/2/games" && echo '/* the second build */' >>"$sites/sources/velk.css" &&
    cmake -DPAGE_SOURCES="$sites/sources" -DWORKER="$PWD/src/platform/web/service_worker.js" \
        -DHOST_PACKAGE="$(realpath "$host")/package" -DICON_TOOL="$(realpath "$host")/tools/icongen/velk-icon-png" \
        -DPAGE="$sites/2/games/velk" -P src/platform/web/assemble_page.cmake || fail "could not make the two sites"

(cd tests/web && { [ -d node_modules/playwright-core ] && ! [ package-lock.json -nt node_modules/.package-lock.json ] ||
    npm ci --no-audit --no-fund --loglevel=error; }) || fail "npm ci failed"

# node's TAP report, shown and kept: its top-level results (subtests are indented) are the stage's count.
tap=$web/tests.tap
VELK_PAGE_DIR="$(realpath "$web/package")" VELK_SITES_DIR="$sites" timeout 600 node --test --test-reporter=tap tests/web/page.test.mjs | tee "$tap"
status=${PIPESTATUS[0]}
passed=$(grep -c '^ok ' "$tap")
failed=$(grep -c '^not ok ' "$tap")
[ "$status" -ne 0 ] && [ "$failed" -eq 0 ] && failed=1
report
