#!/bin/sh
# Each plug-in module given exports LoadPlugins and nothing else of its own
# (the linker's __bss_start, _edata and _end aside, and what gSOAP's runtime
# library calls back by name), and every symbol that it and the libraries it
# loads need is there: one found missing later ends the program at its call.
status=0
for module in "$@"; do
  symbols=$(nm -D --defined-only "$module" | awk '{print $3}')
  echo "$symbols" | grep -qx LoadPlugins || { echo "$module: no LoadPlugins"; status=1; }
  extra=$(echo "$symbols" | grep -vx -e LoadPlugins -e __bss_start -e _edata -e _end -e namespaces -e '' |
    grep -vE -e '^soap_(get|put|mark|dup|del)element$' -e '^_Z[0-9]+soap_[a-z_]*(header|fault|code|string|detail)P4soap$')
  if [ -n "$extra" ]; then
    echo "$module exports more than LoadPlugins:"; echo "$extra" | head -20; status=1
  fi
  missing=$(ldd -r "$module" 2>&1 | grep 'undefined symbol')
  if [ -n "$missing" ]; then
    echo "$module leaves symbols undefined:"; echo "$missing" | head -20; status=1
  fi
done
exit $status
