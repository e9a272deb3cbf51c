#!/bin/sh
# Installs the card library into a temporary prefix, checks that lib7240.so
# exports exactly the 30 functions of 7240.def, builds a C program against
# the installed header through pkg-config, and runs it:
#   - on the virtual card, where every check of the program must pass;
#   - on the hardware backend with no card driver node, where the program must
#     not start: the load message on standard error, exit status 1.
# Usage: instalada.sh BUILD_DIR SOURCE_DIR C_COMPILER
set -eu
construccion=$1
fuente=$2
cc=${3:-cc}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

cmake --install "$construccion" --component tarjeta7240 --prefix "$tmp/prefijo" >/dev/null
libdir=$(dirname "$(find "$tmp/prefijo" -name lib7240.so | head -n 1)")
export PKG_CONFIG_PATH="$libdir/pkgconfig"

# Exactly the 30 exports, and the same names as the ordinals file.
nm -D --defined-only "$libdir/lib7240.so" | awk '{print $3}' | sort >"$tmp/exportadas"
awk '/@[0-9]+/ {print $1}' "$fuente/src/tarjeta/7240.def" | sort >"$tmp/def"
if ! cmp -s "$tmp/exportadas" "$tmp/def"; then
  echo "lib7240.so exports differ from 7240.def:"; diff "$tmp/def" "$tmp/exportadas" || true; exit 1
fi
[ "$(wc -l <"$tmp/def")" -eq 30 ] || { echo "7240.def does not list 30 exports"; exit 1; }

# shellcheck disable=SC2046
"$cc" -std=c11 -Wall -Wextra -Werror -o "$tmp/programa" "$fuente/tests/tarjeta/instalada/programa.c" \
  $(pkg-config --cflags --libs 7240 7240-virtual)
export LD_LIBRARY_PATH="$libdir"

TARJETA7240=virtual "$tmp/programa"

# No card driver node: the program does not start.
nodo=/dev/tarjeta7240
[ -e "$nodo" ] && nodo="$tmp/sin-nodo"
estado=0
env -u TARJETA7240 TARJETA7240_NODO="$nodo" "$tmp/programa" >"$tmp/salida" 2>"$tmp/errores" || estado=$?
if [ "$estado" -ne 1 ] || [ -s "$tmp/salida" ] || \
   [ "$(cat "$tmp/errores")" != "Unable to open VxD, Error code: 2" ]; then
  echo "without the driver: exit status $estado, stdout:"; cat "$tmp/salida"
  echo "stderr:"; cat "$tmp/errores"; exit 1
fi
echo "without the driver: exit status 1, message on stderr"
