# Helpers sourced by the other scripts.

# Installs the Debian packages named as arguments that are not installed yet.
install_missing_packages() {
    local missing=()
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    echo "Installing missing packages: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -q
    "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# Copies the tree as it stands, tracked and new files (a tracked file deleted here is passed over), into the
# folder $1, which must exist: a build there sees exactly what a commit of the tree would hold. A tree that is
# no git checkout (such a copy, or an unpacked source archive) is copied whole but for build/.
copy_working_tree() {
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git ls-files -z --cached --others --exclude-standard | tar -c --null -T - --ignore-failed-read 2>/dev/null |
            tar -x -C "$1"
    else
        tar -c --exclude=./build . | tar -x -C "$1"
    fi
}
