#!/usr/bin/env bash
# Refreshes docs/screenshot.png: starts the built program on a private X
# server (Xvfb + openbox, so the window gets a title bar as on a desktop),
# with a throw-away XDG_CONFIG_HOME holding an example message, closes the
# about box and grabs the window. Leaves the user's own settings untouched.
#   tools/screenshot.sh                          (uses build/, or $BUILD_DIR)
#   tools/screenshot.sh PNG [ARGUMENT...]        the window started with those
#                                                arguments, e.g. a mailto: link
set -euo pipefail
output=$(realpath -m "${1:-$(dirname "$0")/../docs/screenshot.png}")
if (($# > 0)); then shift; fi
cd "$(dirname "$0")/.."

tools/ensure-packages.sh xvfb openbox imagemagick xdotool

build_dir=${BUILD_DIR:-build}
program=$build_dir/app/korvane-client
[[ -x $program ]] || BUILD_DIR=$build_dir tools/bootstrap.sh
mkdir -p "$(dirname "$output")"

work=$(mktemp -d)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# Waits up to 20 s for "$@" to succeed; start-up time varies a lot between machines.
wait_for() {
  local i
  for ((i = 0; i < 200; i++)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "screenshot.sh: timed out waiting for: $*" >&2
  return 1
}

# -displayfd lets Xvfb pick a free display number instead of guessing one.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
wait_for test -s "$work/display"
export DISPLAY=:$(head -n1 "$work/display")

openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
# Answers only once an EWMH window manager owns the screen.
wait_for xdotool get_num_desktops

export XDG_CONFIG_HOME=$work/config
mkdir -p "$XDG_CONFIG_HOME"
# Written the way the program saves it: values quoted, because QSettings
# reads an unquoted "," as a list separator and ";" as the start of a comment.
cat >"$XDG_CONFIG_HOME/KORVANE_CLIENT_STMP.ini" <<'INI'
[STMP]
SERVER=smtp.example.it:587

[EMAIL]
MITTENTE=Mario Rossi <m.rossi@example.it>
DESTINATARIO="g.bianchi@example.it; acquisti@example.it"
CC="\"Verdi, Luca\" <l.verdi@example.it>"
BCC=archivio@example.it
ALLEGATI="/home/mario/preventivo.pdf; /tmp/listino.ods"
PRIORITA=0
OGGETTO=Preventivo per la fornitura di marzo
CONTENUTO="Buongiorno Giulia,\n\nin allegato il preventivo per la fornitura di marzo e il listino aggiornato.\nResto a disposizione per qualsiasi chiarimento.\n\nCordiali saluti,\nMario Rossi"
INI

QT_QPA_PLATFORM=xcb "$program" "$@" >"$work/program.log" 2>&1 &
program_pid=$!
pids+=("$program_pid")

about=$(timeout 20 xdotool search --sync --onlyvisible --name '^Informazioni su ')
xdotool windowactivate --sync "$about" key Return
# The about box is modal: once it is gone the main window holds the saved fields.
wait_for bash -c "! xdotool search --onlyvisible --name '^Informazioni su '"
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^KORVANE CLIENT STMP ' | head -n1)
xdotool windowactivate --sync "$window"
# Activation moves the focus frame; give the X server a moment to draw it.
sleep 0.5
# Without dates in the file a refresh of an unchanged window changes nothing in git.
import -window "$window" -frame -define png:exclude-chunks=date,time "$output"
kill -0 "$program_pid" || { cat "$work/program.log" >&2; exit 1; }
echo "Wrote $output ($(identify -format '%wx%h' "$output"))"
