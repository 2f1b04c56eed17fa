#!/usr/bin/env bash
# The functions and data that plugin.h and ui.h declare for a host that links the library
# are exactly the names the library defines: none missing, none more.
# Run: tests/package/declared_exports.sh INCLUDE_DIR LIBRARY
set -euo pipefail
include=$1 library=$2
declared=$(for header in "$include/qm7140/plugin.h" "$include/qm7140/ui.h"; do
  sed -n '/---- Linked hosts/,/^#endif/{/^ \*/d;/^\/\*/d;p}' "$header"
done | grep -oE '\b(_[A-Z][A-Za-z0-9]*|qm7140_ui_[a-z_]+)\b' | sort -u)
defined=$(nm -D --defined-only --format=just-symbols "$library" | sort -u)
if [ -z "$declared" ] || [ "$declared" != "$defined" ]; then
  echo "declared for linked hosts but not defined, and defined but not declared:"
  diff <(echo "$declared") <(echo "$defined") || true
  exit 1
fi
echo "$(echo "$declared" | wc -l) names declared and defined"
