#!/usr/bin/env bash
# Checks the compiled conversion kernels (and the measurement plug-in's
# AVX2 kernels) for instructions of the wrong set.
# Each RowKernels<Variant> object is compiled with its own -m flags; the
# program calls only the variant the processor supports. That holds only if
#  1. no kernel object exports code other than its table function
#     (Get<Variant>RowKernels): an inline or template helper with external
#     linkage is emitted in every object that uses it, and the linker keeps
#     one copy, possibly the AVX2 one, for all of them;
#  2. the scalar and SSE2 objects hold no AVX, AVX-512, SSSE3/SSE4 or BMI
#     instruction, the AVX2 object no AVX-512 one, and the AVX-512 BW object
#     no VBMI byte permute.
# The measurement core's StageRowAvx2 and SaturationMaskAvx2 objects follow
# the same rules: they export only their kernel (StageRowAvx2, MarkRowAvx2)
# and hold no AVX-512 instruction.
# Usage: check-kernel-isa.sh OBJDUMP NM OBJECT...  (objects of other files
# are skipped). Prints every offence and exits 1 if there is one.
set -uo pipefail

if [ $# -lt 3 ]; then
  echo "usage: $0 OBJDUMP NM OBJECT..." >&2
  exit 2
fi
objdump=$1
nm=$2
shift 2

# AT&T syntax, one instruction a line: "  1a2b:<tab>mnemonic operands".
avx='^\s*[0-9a-f]+:\s+v[a-z0-9]+|%[yz]mm[0-9]|%k[0-7]'
newer_sse='^\s*[0-9a-f]+:\s+(pshufb|pmaddubsw|palignr|phadd[dw]|phaddsw|phsub[dw]|phsubsw|pabs[bwd]|psign[bwd]|pmulhrsw|pblendw|pblendvb|pmov[sz]x[bwd][wdq]|ptest|pmin(sb|uw|sd|ud)|pmax(sb|uw|sd|ud)|pmulld|pmuldq|packusdw|pcmpeqq|pcmpgtq|pcmp[ei]str[im]|pextr[bdq]|pinsr[bdq]|insertps|extractps|blendv?p[sd]|round[ps][sd]|dpp[sd]|mpsadbw|phminposuw|crc32[bwlq]?|(popcnt|lzcnt|tzcnt|andn|bextr|blsi|blsmsk|blsr|bzhi|shlx|shrx|sarx|rorx|pdep|pext|mulx|movbe)[wlq]?)\s'
avx512='%zmm[0-9]|%[xy]mm(1[6-9]|2[0-9]|3[01])\b|%k[0-7]'
vbmi='^\s*[0-9a-f]+:\s+(vpermb|vpermi2b|vpermt2b|vpmultishiftqb)\s'

failures=0
checked=0
measured=0
fail() {
  echo "$1"
  failures=$((failures + 1))
}

for object in "$@"; do
  name=$(basename "$object")
  case $name in
    RowKernelsScalar.* | RowKernelsSse2.*) forbidden=("$avx" "$newer_sse") ;;
    RowKernelsAvx2.*) forbidden=("$avx512") ;;
    RowKernelsAvx512.*) forbidden=("$vbmi") ;;
    RowKernelsAvx512Vbmi.*) forbidden=() ;;
    StageRowAvx2.* | SaturationMaskAvx2.*) forbidden=("$avx512") ;;
    *) continue ;;
  esac
  case $name in
    RowKernels*) checked=$((checked + 1)) ;;
    *) measured=$((measured + 1)) ;;
  esac
  if [ ! -f "$object" ]; then
    fail "$name: missing ($object)"
    continue
  fi

  # 1. Exported code: only the table function (and the compiler's own
  # terminate helper, which holds no vector code).
  if ! symbols=$("$nm" --defined-only -P "$object"); then
    fail "$name: $nm failed"
    continue
  fi
  while read -r symbol type _; do
    case $type in
      T | W | i) ;;
      *) continue ;;
    esac
    if [[ $symbol =~ ^_ZN6Common7Convert[0-9]+Get[A-Za-z0-9]+RowKernelsEv$ ]] ||
       [[ $symbol =~ ^_ZN12TavixMeasure[0-9]+(StageRowAvx2|MarkRowAvx2)E ]] ||
       [ "$symbol" = __clang_call_terminate ]; then
      continue
    fi
    fail "$name: exports code symbol $symbol ($type), which the linker may share with another instruction set"
  done <<<"$symbols"

  # 2. Instructions of a higher set.
  if ! code=$("$objdump" -d --no-show-raw-insn "$object"); then
    fail "$name: $objdump failed"
    continue
  fi
  for pattern in "${forbidden[@]}"; do
    if offending=$(grep -E "$pattern" <<<"$code"); then
      fail "$name: $(wc -l <<<"$offending") instructions of a higher instruction set, the first:
$(head -3 <<<"$offending")"
    fi
  done
done

if [ $measured -eq 0 ] && [ $checked -ne 5 ]; then
  fail "expected the five kernel objects (scalar, SSE2, AVX2, AVX-512, AVX-512 VBMI), found $checked"
fi
if [ $checked -eq 0 ] && [ $measured -ne 2 ]; then
  fail "expected the measurement core's two AVX2 objects, found $measured"
fi
if [ $failures -ne 0 ]; then
  echo "$failures offences in the kernel objects"
  exit 1
fi
echo "kernel objects: $((checked + measured)) checked, each holds only its own instruction set"
