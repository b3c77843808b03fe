# SPDX-License-Identifier: GPL-3.0-or-later
# Licensed under the GNU General Public License version 3 or any later version.
# Shared by addrion.sh and test.sh: the Debian packages and the build steps.

BUILD_PACKAGES=(cmake g++ make pkg-config qt6-base-dev qt6-multimedia-dev libsqlite3-dev qtkeychain-qt6-dev)
RUN_PACKAGES=(sqlcipher xdg-utils qt6-translations-l10n)
# dpkg-shlibdeps (dpkg-dev) and file are what CPack needs to work out the dependencies.
PACKAGE_PACKAGES=(dpkg-dev file)
TEST_PACKAGES=(sqlcipher xdg-utils qt6-translations-l10n libxml2-utils w3c-sgml-lib sqlite3 fonts-dejavu-core
               desktop-file-utils appstream lintian dpkg-dev file python3-vobject radicale vdirsyncer openssl gcovr licensecheck git poppler-utils
               xvfb openbox x11-utils xdotool)

# Installs the packages that are not installed yet, with sudo when not root.
install_packages() {
    local missing=()
    local package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# configure_and_build <build folder> <build type> [cmake options...]
configure_and_build() {
    local folder=$1 type=$2
    shift 2
    cmake -S . -B "$folder" -DCMAKE_BUILD_TYPE="$type" "$@"
    cmake --build "$folder" -j "$(nproc)"
}
