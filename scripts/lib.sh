# Shared by scripts/run and scripts/test.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Installs what is missing from scripts/packages.txt (and any extra lists given).
install_packages() {
    local wanted=() missing=() pkg
    for list in "$ROOT/scripts/packages.txt" "$@"; do
        while read -r pkg; do
            [[ -z "$pkg" || "$pkg" == \#* ]] && continue
            wanted+=("$pkg")
        done <"$list"
    done
    for pkg in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
    done
    if ((${#missing[@]})); then
        echo "Installing: ${missing[*]}"
        local sudo=""
        [[ $(id -u) -ne 0 ]] && sudo="sudo"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

# Configures and builds a tree: build_tree DIR [cmake options...]
build_tree() {
    local dir="$1"
    shift
    cmake -S "$ROOT" -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j"$(nproc)"
}

# The program's version, as the top CMakeLists.txt declares it in project().
tarnelo_version() {
    sed -n '/^project(/,/)/s/^.*VERSION \([0-9][0-9.]*\).*$/\1/p' "$ROOT/CMakeLists.txt" | head -n 1
}
