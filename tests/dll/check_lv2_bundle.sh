#!/bin/sh
# Reads an LV2 bundle with lilv's lv2info, as LV2 hosts do: no complaint on
# standard error, and the plug-in's class, eight ports and state interface.
# usage: check_lv2_bundle.sh BUNDLE-DIR PLUGIN-URI
set -u
bundle=$1 uri=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/path"
ln -s "$(realpath "$bundle")" "$dir/path/$(basename "$bundle")"

LV2_PATH="$dir/path:/usr/lib/lv2" lv2info "$uri" >"$dir/out" 2>"$dir/err"
rc=$?
fail=0
[ $rc -eq 0 ] || { echo "lv2info exited with $rc"; fail=1; }
if [ -s "$dir/err" ]; then
    echo "lv2info complained:"; cat "$dir/err"; fail=1
fi
for want in "Class: *Distortion Plugin" "Port 7:" "Designation: http://lv2plug.in/ns/lv2core#enabled" \
            "Extension Data: *http://lv2plug.in/ns/ext/state#interface" \
            "Symbol: *drive" "Symbol: *volume" "Maximum: *200.000000"; do
    grep -q "$want" "$dir/out" || { echo "lv2info output lacks: $want"; fail=1; }
done
if grep -q "Port 8:" "$dir/out"; then echo "more than eight ports"; fail=1; fi
[ $fail -eq 0 ] && echo "$bundle: read by lv2info without complaint"
exit $fail
