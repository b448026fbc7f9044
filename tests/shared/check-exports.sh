#!/bin/sh
# Each plug-in module given exports LoadPlugins and nothing else of its own
# (the linker's __bss_start, _edata and _end aside, and gSOAP's namespace
# table, which its runtime library looks up by name).
status=0
for module in "$@"; do
  symbols=$(nm -D --defined-only "$module" | awk '{print $3}')
  echo "$symbols" | grep -qx LoadPlugins || { echo "$module: no LoadPlugins"; status=1; }
  extra=$(echo "$symbols" | grep -vx -e LoadPlugins -e __bss_start -e _edata -e _end -e namespaces -e '')
  if [ -n "$extra" ]; then
    echo "$module exports more than LoadPlugins:"; echo "$extra" | head -20; status=1
  fi
done
exit $status
