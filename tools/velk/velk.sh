#!/bin/sh
# velk: starts the VELK Keyboard Practice Game from any folder, in the player's own data folder.
# (A template: CMake fills in the @...@ values for each installed layout.)
# The game reads its sound files and writes its record in its working folder, so that folder holds links
# to the installed program and sounds, refreshed at each start so that an upgrade takes effect.
usage="usage: velk [--help | --version | --record DEMO [--overwrite] | --play DEMO [--speed X]]"
if [ $# -eq 3 ] && [ "$1" = --overwrite ] && [ "$2" = --record ]; then
    set -- "$2" "$3" "$1"
fi
case $#:${1:-}:${3:-} in
0::) ;;
2:--record: | 3:--record:--overwrite | 2:--play: | 4:--play:--speed)
    # The game runs in the player's folder: the demo's path is taken from here.
    case $2 in /*) demo=$2 ;; *) demo=$PWD/$2 ;; esac
    option=$1
    shift 2
    set -- "$option" "$demo" "$@" ;;
1:--help:)
    echo "$usage"
    echo "Starts the VELK Keyboard Practice Game in this terminal (UTF-8, at least 120x30)."
    echo "--record DEMO writes a demo of the session (--overwrite: over an existing file); --play DEMO shows one,"
    echo "X times real time with --speed X."
    echo "The record file VELKGAME.CFG is kept in \${XDG_DATA_HOME:-\$HOME/.local/share}/velk."
    exit 0 ;;
1:--version:)
    echo "velk @PROJECT_VERSION@"
    exit 0 ;;
*)
    echo "velk: unknown argument: $*" >&2
    echo "$usage" >&2
    exit 2 ;;
esac

# The installed files are found from this script's own place, so the tree can be moved as a whole.
self=$(readlink -f "$0" 2>/dev/null) || self=$0
here=$(dirname "$self")
program_dir=$(cd "$here/@VELK_PROGRAM_FROM_BIN@" 2>/dev/null && pwd -P)
sounds=$(cd "$here/@VELK_SOUNDS_FROM_BIN@" 2>/dev/null && pwd -P)
program=$program_dir/VELKGAME.exe
if [ -z "$program_dir" ] || [ -z "$sounds" ] || [ ! -x "$program" ]; then
    echo "velk: the game is not installed completely: no $here/@VELK_PROGRAM_FROM_BIN@/VELKGAME.exe" >&2
    exit 1
fi

if [ -n "${XDG_DATA_HOME:-}" ]; then
    data=$XDG_DATA_HOME/velk
elif [ -n "${HOME:-}" ]; then
    data=$HOME/.local/share/velk
else
    echo "velk: neither XDG_DATA_HOME nor HOME is set: no place for the player's files" >&2
    exit 1
fi
if ! mkdir -p "$data" 2>/dev/null || [ ! -d "$data" ]; then
    echo "velk: cannot make the folder for the player's files: $data" >&2
    exit 1
fi
for file in "$program" "$sounds"/VELKGSND1.wav "$sounds"/VELKGSND2.wav "$sounds"/VELKGSND3.wav \
    "$sounds"/VELKGSND4.wav "$sounds"/VELKGSND5.wav "$sounds"/VELKGSND6.wav; do
    if ! ln -sfn "$file" "$data/${file##*/}" 2>/dev/null; then
        echo "velk: cannot write in the folder for the player's files: $data" >&2
        exit 1
    fi
done
cd "$data" || exit 1
exec ./VELKGAME.exe "$@"
