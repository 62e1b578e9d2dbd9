#!/bin/sh
# Inspects the 32-bit Vantrel.dll as the IDE's loader would see it, from objdump -p: a PE32 DLL
# for i386; exactly the three entry points exported, undecorated; only system DLLs imported (the
# C++ runtime linked in); the dialog, version and topic-list resources in its resource section.
# Usage: check_module.sh OBJDUMP MODULE
set -u
objdump=$1 module=$2
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

dump=$("$objdump" -p "$module") || { echo "FAIL: $objdump -p $module" >&2; exit 1; }

echo "$dump" | grep -q 'file format pei-i386' || fail "not a pei-i386 file"
echo "$dump" | grep -Eq '^Magic[[:space:]]+010b[[:space:]]+\(PE32\)' || fail "not PE32"
# IMAGE_FILE_DLL (0x2000) in the file header's characteristics.
chars=$(echo "$dump" | sed -n 's/^Characteristics[[:space:]]*0x\([0-9a-fA-F]*\).*/\1/p' | head -1)
[ $((0x${chars:-0} & 0x2000)) -ne 0 ] || fail "characteristics 0x$chars lack IMAGE_FILE_DLL"

# The name pointer table: lines "[   n] NAME" after the ordinal/name table heading.
exports=$(echo "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
          sed -n 's/^[[:space:]]*\[ *[0-9]*\] \([^ ]*\)$/\1/p' | sort | tr '\n' ' ')
[ "$exports" = "BcwAddOnEntry DllEntryPoint VantrelConfigDlgProc " ] ||
  fail "exports are '$exports'"

imports=$(echo "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'a-z' 'A-Z' | sort | tr '\n' ' ')
for dll in $imports; do
  case $dll in
    KERNEL32.DLL | USER32.DLL | GDI32.DLL | ADVAPI32.DLL | OLE32.DLL | MSVCRT.DLL) ;;
    *) fail "imports $dll, which is not a system DLL" ;;
  esac
done
for dll in KERNEL32.DLL USER32.DLL ADVAPI32.DLL OLE32.DLL; do
  case " $imports" in *" $dll "*) ;; *) fail "does not import $dll" ;; esac
done

rsrc=$(echo "$dump" | sed -n '/The .rsrc Resource Directory section/,$p')
echo "$rsrc" | grep -q 'name: .*DLG_VANTREL' || fail "no DLG_VANTREL resource"
echo "$rsrc" | grep -q 'name: .*MPD_TOPICLIST' || fail "no MPD_TOPICLIST resource"
echo "$rsrc" | grep -q 'Leaf: Addr: 0x[0-9a-f]*, Size: 0x000012,' || fail "no 18-byte topic list"
echo "$rsrc" | grep -q 'Entry: ID: 0x000010' || fail "no version resource (RT_VERSION)"
echo "$rsrc" | grep -q 'Entry: ID: 0x000005' || fail "no dialog resource type (RT_DIALOG)"

size=$(wc -c < "$module")
echo "Vantrel.dll: $size bytes; exports: $exports; imports: $imports"
[ "$failures" -eq 0 ]
