#!/bin/sh
# One Wine server for a whole test run of the Windows build (ctest runs this
# before the first test and after the last, see CTestCustom.cmake in the
# build): `start` makes the prefix and keeps the server running between
# programs, `stop` ends it. The server and Wine's own services outlive this
# script, so none of them may hold ctest's output pipe open: all output goes
# to a log in the prefix.
case "${1:-}" in
  start)
    mkdir -p "${WINEPREFIX:-$HOME/.wine}"
    log="${WINEPREFIX:-$HOME/.wine}/wine_server.log"
    wineserver -k >/dev/null 2>&1
    { wineserver -p && WINEDEBUG=-all wine wineboot --init; } \
      </dev/null >"$log" 2>&1 || { cat "$log" >&2; exit 1; } ;;
  stop) wineserver -k </dev/null >/dev/null 2>&1; true ;;
  *) echo "usage: wine_server.sh start|stop" >&2; exit 2 ;;
esac
