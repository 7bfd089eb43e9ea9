#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# How many places outside the register maps state a register number of the W58 meter:
# a register written as a number where code reads, writes or lays out registers. The aim
# is none: every register is stated once, in src/meter/. Then the duplicate finder's
# pairs between the pages, the presets and the simulator, when the tool is there.
#
#   scripts/register-facts.sh
set -euo pipefail
cd "$(dirname "$0")/.."

maps=(src/meter/w58_map.h src/meter/shared_parameters.h)
# The registers of the W58 map: every ".reg = N" and the register argument of its helpers.
registers=$(grep -hoE '\.reg = [0-9]+|"[a-z_0-9]+", "[^"]*", (Kind::[A-Za-z0-9]+, )?[0-9]+' "${maps[@]}" |
  grep -oE '[0-9]+$' | sort -un)
pattern=$(paste -sd'|' <<<"$registers")

# A register in code: an argument or field that names registers, or a {start, bytes} block.
places=$(grep -rnE --include='*.h' --include='*.cpp' \
  "((\\.reg = |Reg(32)?\\(|SetReg(32)?\\(|Float\\(|SetFloat\\(|Total\\(|SetTotal\\(|Bytes\\(|SetBytes\\(|ReadRegisters\\(|WriteRegisters\\()(${pattern})\\b|\\{(${pattern}), [0-9]+)" \
  src sim | grep -vE '^src/meter/(w58_map|generic_map|shared_parameters)\.h:' || true)
count=$(grep -c . <<<"$places" || true)
[ -z "$places" ] && count=0
echo "W58 registers stated outside the register maps: $count"
[ "$count" -gt 0 ] && printf '%s\n' "$places" | sed 's/^/  /'

if command -v duplicates >/dev/null 2>&1; then
  for folder in src/pages sim; do
    echo "Duplicate pairs within $folder:"
    duplicates --repo "$folder" --seconds 30 2>/dev/null | sed 's/^/  /' || true
  done
else
  echo "Duplicate pairs: the duplicate finder is not installed here."
fi
