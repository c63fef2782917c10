#!/bin/sh
# Runs a Lua script in Ardour's session host (luasession) under the name of Ardour's GUI
# program, so that the process list shows what it shows while a user records in Ardour.
#
#   run-ardour.sh --check              exit 0 when Ardour is installed, else 77 with a reason
#   run-ardour.sh FOLDER SCRIPT [ARG...]
#
# The host is copied (a link would keep its own name in /proc/PID/exe) into FOLDER, which the
# caller owns and removes. The script ends by exec'ing the copy, so the caller's process id is
# Ardour's own: stopping or killing it leaves no engine behind.
#
# The environment is the one Debian's ardour7-lua wrapper sets (/usr/bin/ardour7-lua in the
# ardour package); the libraries live next to the host in /usr/lib/ardourN.
set -eu

lib=""
for candidate in /usr/lib/ardour[0-9]* /usr/lib/*/ardour[0-9]*; do
    if [ -x "$candidate/luasession" ]; then
        lib=$candidate
        break
    fi
done
gui=""
if [ -n "$lib" ]; then
    # The GUI program carries the version in its name, e.g. ardour-7.3.0~ds0 on Debian.
    for candidate in "$lib"/ardour-[0-9]*; do
        if [ -f "$candidate" ] && [ -x "$candidate" ]; then
            gui=$(basename "$candidate")
            break
        fi
    done
fi
if [ -z "$lib" ] || [ -z "$gui" ]; then
    echo "Ardour is not installed (no /usr/lib/ardourN with luasession and ardour-VERSION)" >&2
    exit 77
fi
if [ "${1-}" = "--check" ]; then
    echo "$lib/$gui"
    exit 0
fi
if [ $# -lt 2 ]; then
    echo "usage: $0 --check | $0 FOLDER SCRIPT [ARG...]" >&2
    exit 2
fi

folder=$1
shift
mkdir -p "$folder"
cp "$lib/luasession" "$folder/$gui"

series=$(basename "$lib")
export LD_LIBRARY_PATH="$lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
export ARDOUR_DATA_PATH="/usr/share/$series"
export ARDOUR_CONFIG_PATH="/etc/$series"
export ARDOUR_DLL_PATH="$lib"
export VAMP_PATH="$lib/vamp"
exec "$folder/$gui" "$@"
