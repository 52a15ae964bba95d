#!/bin/sh
# The Wine session the Windows tests share, in the prefix WINEPREFIX names.
#   wine_session.sh start WINESERVER WINEBOOT LOG  makes the prefix if need be and keeps its Wine
#                                                  server and system programs up until `stop`
#   wine_session.sh stop WINESERVER                ends them
# Left to itself, the server ends a few seconds after its last program, and a test program that
# starts while it is ending fails before its first line ("wine client error:0: recvmsg:
# Connection reset by peer"). The server and the system programs write to LOG: CTest waits until
# every program that holds a test's output has closed it.
set -eu
case "$1" in
  start)
    # A server left by an interrupted run goes first: a second one cannot start beside it.
    "$2" -k 2> /dev/null || true
    "$2" -w
    mkdir -p "$WINEPREFIX"
    "$2" -p 2>> "$4"
    exec "$3" -i >> "$4" 2>&1
    ;;
  stop)
    "$2" -k || true
    exec "$2" -w
    ;;
esac
echo "usage: wine_session.sh start WINESERVER WINEBOOT LOG | stop WINESERVER" >&2
exit 2
