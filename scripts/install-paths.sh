# Where scripts/install puts Morvel in the user's home; scripts/uninstall reads the same.
# shellcheck shell=bash
data_home=${XDG_DATA_HOME:-$HOME/.local/share}
data=$data_home/morvel   # program, library, settings and the Wine prefix
launcher=$HOME/.local/bin/morvel
desktop_entry=$data_home/applications/morvel.desktop
icon_sizes=(32 64 128)
icon_path() { echo "$data_home/icons/hicolor/$1x$1/apps/morvel.png"; }
