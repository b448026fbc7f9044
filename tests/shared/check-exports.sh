#!/bin/sh
# Each plug-in module given exports LoadPlugins and nothing else of its own
# (the linker's __bss_start, _edata and _end aside, and what a library it
# loads calls back by name, such as gSOAP's namespace table and handlers),
# and every symbol it and its libraries need is found once it is loaded.
status=0
calls=$(mktemp)
trap 'rm -f "$calls"' EXIT
for module in "$@"; do
  symbols=$(nm -D --defined-only "$module" | awk '{print $3}')
  echo "$symbols" | grep -qx LoadPlugins || { echo "$module: no LoadPlugins"; status=1; }
  ldd "$module" | awk '$3 ~ /^\// {print $3}' | xargs -r nm -D --undefined-only 2>/dev/null |
    awk '{print $2}' | sort -u >"$calls"
  extra=$(echo "$symbols" | grep -vx -e LoadPlugins -e __bss_start -e _edata -e _end -e '' | grep -vxF -f "$calls")
  if [ -n "$extra" ]; then
    echo "$module exports more than LoadPlugins:"; echo "$extra" | head -20; status=1
  fi
  missing=$(ldd -r "$module" 2>&1 | grep 'undefined symbol')
  if [ -n "$missing" ]; then
    echo "$module leaves symbols undefined:"; echo "$missing" | head -20; status=1
  fi
done
exit $status
