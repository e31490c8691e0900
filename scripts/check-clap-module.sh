#!/usr/bin/env bash
# Checks a Linux Zephyrant.clap as a host's loader sees it: its dynamic symbol
# table defines exactly one symbol, the data object clap_entry (nm and objdump).
# With --host, Debian's qtractor plug-in scanner (qtractor_plugin_scan, reading
# "CLAP:path" lines on its standard input) must list Zephyrant with 2 audio
# outputs and no input, one MIDI input and 19 parameters.
# Usage: scripts/check-clap-module.sh PATH/Zephyrant.clap [--host]
set -uo pipefail
clap=${1:?usage: check-clap-module.sh PATH/Zephyrant.clap [--host]}
host=${2:-}

failed=0
defined=$(nm -D --defined-only "$clap" | awk '{print $2, $3}')
echo "nm -D --defined-only: $defined"
[ "$defined" = "D clap_entry" ] || [ "$defined" = "R clap_entry" ] || { echo "FAILED: exports"; failed=1; }
# objdump's dynamic table: one defined entry, global (g), an object (O).
objects=$(objdump -T "$clap" | awk '$0 !~ /\*UND\*/ && NF >= 6 && $1 ~ /^[0-9a-f]+$/ {print $2, $3, $NF}')
echo "objdump -T (defined): $objects"
[ "$objects" = "g DO clap_entry" ] || { echo "FAILED: clap_entry is not the one global data object"; failed=1; }

if [ "$host" = "--host" ]; then
    scanner=$(ls /usr/lib/*/qtractor/qtractor_plugin_scan 2>/dev/null | head -n 1)
    if [ -z "$scanner" ]; then
        echo "FAILED: qtractor_plugin_scan not found (scripts/install-deps.sh test installs qtractor)"
        exit 1
    fi
    # Its line: type|name|audio in:out|MIDI in:out|parameters:outputs|flags|path|index|id
    line=$(echo "CLAP:$(realpath "$clap")" | timeout 60 "$scanner" 2>/dev/null | grep '^CLAP|')
    echo "qtractor_plugin_scan: $line"
    IFS='|' read -r type name audio midi params _ <<<"$line"
    [ "$type|$name|$audio|$midi|${params%%:*}" = "CLAP|Zephyrant|0:2|1:0|19" ] ||
        { echo "FAILED: the scanner does not list Zephyrant with 2 outputs, a note input and 19 parameters"; failed=1; }
fi
exit $failed
