#!/bin/sh
# Starts an installed Penlow. The program works in its program folder (it writes data/Config.ini,
# image/ and updata/ there), and an installed tree is not the user's to write, so each user gets
# a program folder of their own: a copy of the executable, links to the installed engine, skins
# and adb, and copies of the shipped data files made once (later edits are kept).
set -eu
# Package files named relative to where the launcher started keep their meaning in the program
# folder the program runs in.
here=$(pwd)
for arg do
    shift
    case $arg in
    /* | -* | *://*) set -- "$@" "$arg" ;;
    *) set -- "$@" "$here/$arg" ;;
    esac
done
self=$(readlink -f "$0")
shipped=$(dirname "$self")/../lib/penlow
shipped=$(cd "$shipped" && pwd)
folder=${PENLOW_USER_FOLDER:-${XDG_DATA_HOME:-$HOME/.local/share}/penlow}

mkdir -p "$folder/data" "$folder/image" "$folder/updata" "$folder/bin"
# The program takes its folder from its executable's real path, so the executable is a copy
# (renewed when the installed one changes); the rest can be links.
if ! cmp -s "$shipped/Penlow" "$folder/Penlow"; then
    rm -f "$folder/Penlow"
    cp "$shipped/Penlow" "$folder/Penlow"
fi
for item in download_engine.so skins logo.ico logo.png; do
    if [ -e "$shipped/$item" ]; then
        ln -sfn "$shipped/$item" "$folder/$item"
    fi
done
ln -sfn "$shipped/bin/Korvash" "$folder/bin/Korvash"
for file in "$shipped"/data/*; do
    [ -e "$file" ] || continue
    name=$(basename "$file")
    [ -e "$folder/data/$name" ] || cp "$file" "$folder/data/$name"
done

cd "$folder"
exec ./Penlow "$@"
