#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Licensed under the GNU General Public License version 3 or any later version.
# Makes the screenshots that software centres show (resources/screenshots/): the built program
# under a private X server of a fixed size, in English, with a few made-up persons whose
# birthdays fall around the day of the run. Usage: scripts/screenshots.sh [build/bin/addrion]
set -euo pipefail
cd "$(dirname "$0")/.."
. ./scripts/common.sh

program=$(realpath "${1:-build/bin/addrion}")
[ -x "$program" ] || { echo "screenshots: no program at $program (build first)" >&2; exit 2; }
install_packages xvfb xdotool imagemagick x11-utils
out=resources/screenshots
mkdir -p "$out"

# A fixed folder, since the status bar shows the database's path.
box=/tmp/addrion-screenshots
mkdir "$box" || { echo "screenshots: $box is in use" >&2; exit 1; }
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$box"' EXIT
export HOME="$box" XDG_CONFIG_HOME="$box/.config" XDG_DATA_HOME="$box/.local/share" XDG_CACHE_HOME="$box/.cache" \
       XDG_RUNTIME_DIR="$box/.run" TEMP="$box/.tmp" LANG=C.UTF-8 TZ=UTC
mkdir -p "$HOME/Documents" "$XDG_CONFIG_HOME/Addrion" "$TEMP" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
cat >"$XDG_CONFIG_HOME/Addrion/Addrion.conf" <<'EOF'
[General]
Language=English
Check%20version=0
Birthday%20reminder=1
Reminder%20Since=7
Reminder%20Sound=0
EOF

# Made-up persons: example domains, numbers from the ranges kept for fiction.
birthday() { date -u -d "$1 days" +"$2-%m-%d"; }
cat >"$TEMP/persons.vcf" <<EOF
BEGIN:VCARD
VERSION:3.0
FN:Clara Jensen
N:Jensen;Clara;;;
BDAY:$(birthday 0 1988)
ADR;TYPE=HOME:;;Nørregade 12;Aarhus;;8000;Denmark
TEL;TYPE=CELL:+45 20 12 34 56
TEL;TYPE=HOME:+45 86 12 34 56
EMAIL;TYPE=HOME:clara.jensen@example.org
NOTE:Met at the choir in 2015. Prefers text messages.
END:VCARD
BEGIN:VCARD
VERSION:3.0
FN:David Okafor
N:Okafor;David;;;
BDAY:$(birthday 2 1979)
ADR;TYPE=WORK:;;221 Harbour Street;Bristol;;BS1 4QA;United Kingdom
TEL;TYPE=WORK:+44 117 496 0123
EMAIL;TYPE=WORK:d.okafor@example.com
END:VCARD
BEGIN:VCARD
VERSION:3.0
FN:Émilie Durand
N:Durand;Émilie;;;
BDAY:$(birthday 5 1993)
ADR;TYPE=HOME:;;8 rue des Lilas;Lyon;;69003;France
TEL;TYPE=CELL:+33 6 12 34 56 78
EMAIL;TYPE=HOME:emilie.durand@example.net
END:VCARD
BEGIN:VCARD
VERSION:3.0
FN:Hannah Schmidt
N:Schmidt;Hannah;;;
BDAY:$(birthday 40 1965)
ADR;TYPE=HOME:;;Lindenstraße 4;Freiburg;;79098;Germany
TEL;TYPE=HOME:+49 761 555 0101
TEL;TYPE=CELL:+49 151 555 0102
EMAIL;TYPE=HOME:hannah.schmidt@example.de
EMAIL;TYPE=WORK:h.schmidt@example.com
NOTE:Sister-in-law.
END:VCARD
BEGIN:VCARD
VERSION:3.0
FN:Kenji Watanabe
N:Watanabe;Kenji;;;
BDAY:$(birthday 120 1990)
TEL;TYPE=CELL:+81 90 5555 0134
EMAIL;TYPE=WORK:kenji.watanabe@example.jp
END:VCARD
BEGIN:VCARD
VERSION:3.0
FN:Lucía Fernández
N:Fernández;Lucía;;;
BDAY:$(birthday 200 2001)
ADR;TYPE=HOME:;;Calle Mayor 27;Madrid;;28013;Spain
TEL;TYPE=CELL:+34 600 555 017
EMAIL;TYPE=HOME:lucia.fernandez@example.es
END:VCARD
BEGIN:VCARD
VERSION:3.0
FN:Maria Rossi
N:Rossi;Maria;;;
BDAY:$(birthday 280 1972)
ADR;TYPE=HOME:;;Via Garibaldi 15;Torino;;10122;Italy
TEL;TYPE=HOME:+39 011 555 0188
EMAIL;TYPE=HOME:maria.rossi@example.it
END:VCARD
BEGIN:VCARD
VERSION:3.0
FN:Samuel Cohen
N:Cohen;Samuel;;;
ADR;TYPE=HOME:;;1520 Maple Avenue;Springfield;IL;62704;USA
TEL;TYPE=HOME:+1 217 555 0142
TEL;TYPE=WORK:+1 217 555 0199
EMAIL;TYPE=WORK:sam.cohen@example.com
END:VCARD
EOF

for n in $(seq 60 99); do [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break; done
Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
export DISPLAY=":$n" QT_QPA_PLATFORM=xcb
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# The window of a program, once it shows.
window_of() {
    local id=""
    for _ in $(seq 150); do
        id=$(xdotool search --onlyvisible --pid "$1" --name "$2" 2>/dev/null | tail -1) && [ -n "$id" ] && break
        sleep 0.1
    done
    [ -n "$id" ] || { echo "screenshots: no window \"$2\"" >&2; exit 1; }
    echo "$id"
}
# Answers a message box with its default button and waits until it is gone.
answer() {
    local id
    id=$(window_of "$1" "$2")
    xdotool windowfocus --sync "$id" key Return
    for _ in $(seq 100); do xdotool getwindowname "$id" >/dev/null 2>&1 && \
        xdotool search --onlyvisible --pid "$1" --name "$2" 2>/dev/null | grep -qx "$id" || return 0; sleep 0.1; done
    echo "screenshots: \"$2\" did not close" >&2; exit 1
}
# Saves one window, without the metadata that would make the file differ from run to run.
save() {
    sleep 1
    import -window "$1" -strip -define png:exclude-chunks=date,time "$out/$2"
    echo "screenshots: $out/$2 ($(identify -format '%wx%h' "$out/$2"))"
}

# First start: a new database in Documents, the file offered for import, the result told.
"$program" "$TEMP/persons.vcf" >"$TEMP/main.log" 2>&1 &
main=$!
answer $main "^Import$"
answer $main "^Import$"
mainwindow=$(window_of $main "Addrion.mdb")
xdotool windowsize "$mainwindow" 900 560
xdotool windowactivate --sync "$mainwindow" 2>/dev/null || true
# The fourth row: the person with the most to show.
xdotool mousemove --window "$mainwindow" 60 202 click 1
save "$mainwindow" main-window.png
kill $main; wait $main 2>/dev/null || true

"$program" /Reminder >"$TEMP/reminder.log" 2>&1 &
reminder=$!
save "$(window_of $reminder .)" birthday-reminder.png
kill $reminder; wait $reminder 2>/dev/null || true
