# Shared by scripts/run and scripts/test: install what is missing, then configure and build into build/.
# Sourced, not run.

KESTRUN_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
KESTRUN_BUILD="$KESTRUN_ROOT/build"
KESTRUN_TEST_LOCALE="de_DE.UTF-8"

kestrun_missing_packages() {
    local pkg
    grep -Ev '^\s*(#|$)' "$KESTRUN_ROOT/scripts/packages.txt" | while read -r pkg; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            echo "$pkg"
        fi
    done
    # Node.js may come from elsewhere than Debian; only a machine without it gets Debian's.
    command -v node > /dev/null || echo nodejs
    command -v npm > /dev/null || echo npm
}

# The map pages' browser tests need playwright-core (npm, pinned by tests/map_pages/package-lock.json).
kestrun_prepare_page_tests() {
    local folder="$KESTRUN_ROOT/tests/map_pages"
    if [ ! -d "$folder/node_modules/playwright-core" ]; then
        (cd "$folder" && npm ci --no-audit --no-fund --loglevel=error)
    fi
}

kestrun_has_test_locale() {
    locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'
}

# Installs the missing Debian packages (one apt-get update, one apt-get install) and generates the test
# locale. Run by a user who is not root, it lists what is missing with the commands that install it, and
# stops.
kestrun_install_dependencies() {
    local missing
    missing="$(kestrun_missing_packages | tr '\n' ' ')"
    missing="${missing% }"
    local need_locale=0
    if [ -z "$missing" ] && kestrun_has_test_locale; then
        return 0
    fi
    kestrun_has_test_locale || need_locale=1
    if [ "$(id -u)" -ne 0 ]; then
        echo "Kestrun Player needs things this machine does not have yet." >&2
        if [ -n "$missing" ]; then
            echo "Missing Debian packages: $missing" >&2
            echo "Install them with:" >&2
            echo "  sudo apt-get update && sudo apt-get install -y $missing" >&2
        fi
        if [ "$need_locale" -eq 1 ]; then
            echo "Missing locale $KESTRUN_TEST_LOCALE (the tests run once under it). Generate it with:" >&2
            echo "  echo '$KESTRUN_TEST_LOCALE UTF-8' | sudo tee -a /etc/locale.gen && sudo locale-gen" >&2
        fi
        exit 1
    fi
    if [ -n "$missing" ]; then
        echo "Installing: $missing"
        apt-get update
        # shellcheck disable=SC2086
        DEBIAN_FRONTEND=noninteractive apt-get install -y $missing
    fi
    if ! kestrun_has_test_locale; then
        if ! grep -q "^$KESTRUN_TEST_LOCALE UTF-8" /etc/locale.gen 2>/dev/null; then
            echo "$KESTRUN_TEST_LOCALE UTF-8" >> /etc/locale.gen
        fi
        locale-gen
    fi
}

# Configures once (or when the build folder is new) and builds; Ninja rebuilds only what changed.
kestrun_build() {
    if [ ! -f "$KESTRUN_BUILD/build.ninja" ]; then
        cmake -S "$KESTRUN_ROOT" -B "$KESTRUN_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
    fi
    cmake --build "$KESTRUN_BUILD"
}
