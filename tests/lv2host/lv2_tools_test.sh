#!/bin/sh
# The plug-in's Linux bundle checked by LV2's own tools: lv2_validate on its
# description, lv2info on its ports and lv2apply on a file, whose output
# must equal the engine's own rendering bit for bit.
#   lv2_tools_test.sh BUNDLES_DIR PLUGIN_URI LV2APPLY_REFERENCE WORK_DIR
set -eu
bundles=$1 uri=$2 reference=$3 work=$4
bundle=$bundles/wyrel-brolt.lv2
rm -rf "$work" && mkdir -p "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

lv2_validate "$bundle/manifest.ttl" "$bundle/wyrel-brolt.ttl" >"$work/validate.txt" 2>&1 ||
    { cat "$work/validate.txt"; fail "lv2_validate rejects the bundle"; }
grep -q "Found 0 errors" "$work/validate.txt" || { cat "$work/validate.txt"; fail "lv2_validate found errors"; }
if grep -qi "warning" "$work/validate.txt"; then cat "$work/validate.txt"; fail "lv2_validate warns"; fi

export LV2_PATH="$bundles"
lv2info "$uri" >"$work/info.txt" 2>"$work/info.err" || fail "lv2info cannot find $uri"
ports=$(grep -c '^[[:space:]]*Port [0-9]*:' "$work/info.txt")
[ "$ports" -eq 8 ] || fail "lv2info lists $ports ports, not 8"
for symbol in in out drive tone heat mix volume enabled; do
    grep -q "Symbol:[[:space:]]*$symbol\$" "$work/info.txt" || fail "lv2info: no port $symbol"
done

"$reference" make "$work/in.wav" || fail "cannot write the input file"
# drive tone heat mix volume enabled, each away from its default.
set -- 73 21 66 80 140 1
lv2apply -i "$work/in.wav" -o "$work/out.wav" \
    -c drive "$1" -c tone "$2" -c heat "$3" -c mix "$4" -c volume "$5" -c enabled "$6" \
    "$uri" >"$work/apply.txt" 2>&1 || { cat "$work/apply.txt"; fail "lv2apply failed"; }
"$reference" compare "$work/in.wav" "$work/out.wav" "$@" || fail "lv2apply's output differs from the engine's"
echo "lv2 tools: ok"
