#!/usr/bin/env bash
# Sets up QUIL.Lib on a Debian 12 machine: installs what is missing, builds, lays out the
# program folder. "run" then starts the program; "test" runs the whole test suite and builds the
# Debian package.
set -euo pipefail

mode="${1:-run}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${QUIL_BUILD_DIR:-$root/build}"

packages=(build-essential cmake pkg-config qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite
          libsqlite3-dev libgl-dev xvfb xauth unrtf fonts-dejavu-core clang-format
          libxtst-dev libxkbcommon-x11-dev libxcb-xkb-dev qt6-translations-l10n x11-xkb-utils
          mdbtools-dev mdbtools libicu-dev bibtool qt6-tools-dev qt6-l10n-tools librsvg2-bin
          desktop-file-utils appstream postgresql libpq-dev)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo_cmd=""
    [[ $(id -u) -ne 0 ]] && sudo_cmd="sudo"
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi

# The sources must be as the style file formats them.
format_check() {
    local files
    mapfile -t files < <(git -C "$root" ls-files '*.cpp' '*.h')
    (cd "$root" && clang-format --dry-run -Werror "${files[@]}")
}

# The shared-library tests run against a private PostgreSQL cluster, started here and stopped
# however the tests end; a cluster that cannot start fails the run rather than skip them.
with_test_cluster() {
    local env
    env="$(QUIL_PG_STATE="$build/pg-test-cluster.state" bash "$root/scripts/pg-test-cluster.sh" start)"
    eval "$env"
    trap 'QUIL_PG_STATE="$build/pg-test-cluster.state" bash "$root/scripts/pg-test-cluster.sh" stop' EXIT
}

if [[ "$mode" == sanitize ]]; then
    # AddressSanitizer and UndefinedBehaviorSanitizer over the whole suite, in a build of its own.
    # Leak reports are off: Qt and fontconfig keep caches for the life of the process.
    build="${QUIL_SANITIZE_BUILD_DIR:-$root/build-sanitize}"
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DQUIL_SANITIZE=ON >/dev/null
    cmake --build "$build" --parallel "$(nproc)"
    export QT_QPA_PLATFORM=offscreen
    export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    with_test_cluster
    ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)"
    exit
fi

if [[ "$mode" == test ]]; then format_check; fi
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --parallel "$(nproc)"

case "$mode" in
    run)
        echo "Program folder: $build/QUIL.Lib"
        exec "$build/QUIL.Lib/quil"
        ;;
    test)
        export QT_QPA_PLATFORM=offscreen
        with_test_cluster
        ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)"
        # The Debian package is built from the same build, so CI builds it too.
        QUIL_BUILD_DIR="$build" bash "$root/scripts/package.sh"
        ;;
    build)
        echo "Program folder: $build/QUIL.Lib"
        ;;
    *)
        echo "usage: setup.sh [run|test|build|sanitize]" >&2
        exit 2
        ;;
esac
