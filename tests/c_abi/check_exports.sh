#!/usr/bin/env bash
# Fails when libzt_core.so exports any symbol besides the C ABI.
#   check_exports.sh LIBRARY
set -euo pipefail
expected="zt_core_last_error_message
zt_core_register_gdp_package
zt_core_register_noop_mapper
zt_core_thread_last_error_message
zt_core_verify_bet"
# Defined dynamic symbols, without the version node the linker adds itself.
actual=$(nm -D --defined-only "$1" | awk '{print $3}' | grep -v '^ZT_\|^$' | sed 's/@.*//' | sort -u)
if [ "$actual" != "$expected" ]; then
  echo "unexpected export list of $1:"
  diff <(echo "$expected") <(echo "$actual") || true
  exit 1
fi
echo "exports: $(echo $actual)"
