#!/usr/bin/env bash
# The engine's folders are layers that include one way only, from the top:
# protocol -> control -> think -> search -> board. A folder may include its own
# headers and those of the folders below it. Prints every include that reaches
# up and exits 1 when there is one.
set -euo pipefail
src="${1:-$(dirname "$0")/../src}"
layers=(protocol control think search board)
status=0
for ((i = 0; i < ${#layers[@]}; ++i)); do
  for ((j = 0; j < i; ++j)); do
    if found=$(grep -rn "#include \"${layers[j]}/" "$src/${layers[i]}"); then
      echo "${layers[i]} includes ${layers[j]}, a layer above it:"
      echo "$found"
      status=1
    fi
  done
done
[ $status -eq 0 ] && echo "include layers: every folder includes only itself and the folders below it"
exit $status
