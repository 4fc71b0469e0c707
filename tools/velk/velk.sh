#!/bin/sh
# velk: starts the VELK Keyboard Practice Game from any folder, in the player's own data folder.
# (A template: CMake fills in the @...@ values for each installed layout.)
# The game reads its sound files and writes its record in its working folder, so that folder holds links
# to the installed program and sounds, refreshed at each start so that an upgrade takes effect.
# The options are the game's own, spelled and refused as the game does, before anything is made; the
# launcher's own (kept games and the report on them) are spelled the same way.
refuse() { echo "velk: $1; try --help" >&2; exit 2; }
is_speed() { awk -v x="$1" 'BEGIN { exit !(x ~ /^([0-9]+\.?[0-9]*|\.[0-9]+)([eE][-+]?[0-9]+)?$/ && x >= 0.01 && x <= 1000) }'; }
given=" " extra='' help='' version='' record='' overwrite='' play='' speed='' nokeep='' last='' games='' stats='' svg=''
while [ $# -gt 0 ]; do
    word=$1 option=$1 value='' joined=''
    shift
    case $word in --?*=*) option=${word%%=*} value=${word#*=} joined=yes ;; esac
    case $option in
    -h | --help | --version | --overwrite | --no-keep | --last | --games | --stats)
        [ -z "$joined" ] || refuse "$option: takes no value"
        case $option in -h | --help) help=yes ;; --version) version=yes ;; esac ;;
    --record | --play | --speed | --svg)
        case $option in --speed) what="a speed X" ;; --svg) what="a FILE" ;; *) what="a DEMO file" ;; esac
        [ -n "$joined" ] || { [ $# -gt 0 ] || refuse "$option: needs $what"; value=$1 && shift; } ;;
    --)
        [ $# -eq 0 ] || [ -n "$extra" ] || extra="'$1'"
        break ;;
    -?*) refuse "unknown option '$word'" ;;
    *) [ -n "$extra" ] || extra="'$word'" ;;
    esac
    case $option in --overwrite | --record | --play | --speed | --no-keep | --last | --games | --stats | --svg)
        case $given in *" $option "*) refuse "$option: given twice" ;; esac
        given="$given$option "
        case $option in --record | --play | --speed | --svg) [ -n "$value" ] || refuse "$option: needs $what" ;; esac
        [ "$option" != --speed ] || is_speed "$value" || refuse "--speed: not a speed from 0.01 to 1000: '$value'"
        case $option in --no-keep) name=nokeep ;; *) name=${option#--} ;; esac
        eval "$name=\${value:-yes}" ;;
    esac
done
[ -z "$extra" ] || refuse "unexpected argument $extra"
if [ -n "$help" ]; then
    cat <<'HELP'
usage: velk [--no-keep | --record DEMO [--overwrite] | --play DEMO [--speed X]]
       velk --last [--speed X] | --games | --stats [--svg FILE]
Starts the VELK Keyboard Practice Game in this terminal (UTF-8, at least 120x30),
in the player's folder ${XDG_DATA_HOME:-$HOME/.local/share}/velk, which keeps
the record file VELKGAME.CFG and every game played, as a demo, in games/.

  --no-keep      play without keeping the game
  --record DEMO  play as usual, writing a demo of the session to the file DEMO
  --overwrite    with --record: replace an existing file DEMO
  --play DEMO    watch a demo at the pace it was played: Space pauses, Esc stops
  --speed X      with --play or --last: at X times that pace (0.01 to 1000)
  --last         watch the last kept game
  --games        list the kept games: date, length, levels, score, lives lost
  --stats        report the practice the kept games show, with a chart
  --svg FILE     with --stats: also write the chart as an SVG picture to FILE
  -h, --help     print this help and exit
  --version      print the program's name and version and exit
HELP
    exit 0
fi
if [ -n "$version" ]; then
    echo "velk @PROJECT_VERSION@"
    exit 0
fi
[ -z "$record" ] || [ -z "$play" ] || refuse "--record and --play do not go together"
[ -z "$overwrite" ] || [ -n "$record" ] || refuse "--overwrite: goes with --record"
[ -z "$speed" ] || [ -n "$play$last" ] || refuse "--speed: goes with --play"
[ -z "$svg" ] || [ -n "$stats" ] || refuse "--svg: goes with --stats"
# One thing at a time: a game (kept, recorded or not kept), a demo watched, the list, or the report.
set -- ${record:+--record} ${play:+--play} ${nokeep:+--no-keep} ${last:+--last} ${games:+--games} ${stats:+--stats}
[ $# -le 1 ] || [ "$1 $2" = "--record --no-keep" ] || refuse "$1 and $2 do not go together"
# The game runs in the player's folder: a demo's path is taken from here.
case $record in /* | "") ;; *) record=$PWD/$record ;; esac
case $play in /* | "") ;; *) play=$PWD/$play ;; esac
case $svg in /* | "") ;; *) svg=$PWD/$svg ;; esac
set --
[ -z "$record" ] || set -- --record "$record"
[ -z "$overwrite" ] || set -- "$@" --overwrite
[ -z "$play" ] || set -- --play "$play"
[ -z "$speed" ] || set -- "$@" --speed "$speed"

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
kept=$data/games
if [ -n "$games$stats" ]; then
    set -- --stats "$kept"
    [ -z "$games" ] || set -- --games "$kept"
    [ -z "$svg" ] || set -- "$@" --svg "$svg"
    exec "$program_dir/velk-progress" "$@"
fi
if [ -n "$last" ]; then
    newest=$(ls "$kept" 2>/dev/null | grep -E '^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9-]+\.demo$' | tail -1)
    [ -n "$newest" ] || { echo "velk: no kept game yet in $kept" >&2; exit 1; }
    set -- --play "$kept/$newest" ${speed:+--speed "$speed"}
elif [ $# -eq 0 ] && [ -z "$nokeep" ]; then
    set -- --keep "$kept"
fi
exec ./VELKGAME.exe "$@"
