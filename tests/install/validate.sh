#!/bin/sh
# validate.sh TOOL ARGS...: runs a validator; status 77 (skipped) when it is not installed.
command -v "$1" >/dev/null 2>&1 || { echo "SKIPPED: $1 is not installed (tools/setup-debian.sh test)"; exit 77; }
exec "$@"
