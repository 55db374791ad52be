#!/usr/bin/env bash
# Fails when an exe imports a function that is not in the list of functions Windows XP SP3
# is known to export: check_imports.sh OBJDUMP EXE LIST
# A direct import of anything newer keeps the exe from starting on XP at all ("The procedure
# entry point ... could not be located"); newer functions are looked up with GetProcAddress.
set -euo pipefail
objdump=$1 exe=$2 list=$3
export LC_ALL=C

# A PE header asking for a newer subsystem than XP's 5.1 is refused before any import is read.
subsystem=$("$objdump" -p "$exe" | awk '/^MajorSubsystemVersion/ { major = $2 } /^MinorSubsystemVersion/ { minor = $2 }
    END { print major "." minor }')
if awk -v v="$subsystem" 'BEGIN { split(v, p, "."); exit !(p[1] > 5 || (p[1] == 5 && p[2] > 1)) }'; then
    echo "$exe asks for subsystem version $subsystem; Windows XP runs 5.1 at most" >&2
    exit 1
fi

# objdump -p prints each imported DLL as "DLL Name: X" followed by one line per function:
# a tab, the address, a tab, the hint, and the name.
imports=$("$objdump" -p "$exe" | awk '
    /^\tDLL Name: / { dll = tolower($3); inside = 1; next }
    inside && /^\tvma:/ { next }
    inside && /^\t[0-9a-f]+\t/ { print dll, (NF >= 3 ? $3 : "by-ordinal-" $2); next }
    /^$/ { inside = 0 }' | sort -u)
if [ -z "$imports" ]; then
    echo "no imports could be read from $exe" >&2
    exit 1
fi
known=$(grep -v '^#' "$list" | awk 'NF { print tolower($1), $2 }' | sort -u)
unknown=$(comm -23 <(echo "$imports") <(echo "$known"))
if [ -n "$unknown" ]; then
    echo "$exe imports functions not known to exist on Windows XP SP3:" >&2
    echo "$unknown" | sed 's/^/    /' >&2
    echo "Look such a function up at run time (process/system_function.h), or, after checking" >&2
    echo "its documented minimum supported client, add it to $list." >&2
    exit 1
fi
echo "subsystem $subsystem; $(echo "$imports" | wc -l) imports of $exe, all known on Windows XP SP3"
