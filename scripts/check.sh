#!/usr/bin/env bash
# Static checks of the project's own code: clang-format leaves it unchanged,
# cppcheck and clang-tidy (the checks in .clang-tidy) report nothing.
# Needs the win64, native, fuzz and bench builds (scripts/build.sh) for the
# compile databases.
set -uo pipefail
cd "$(dirname "$0")/.."
dirs=(plugin common config tools tests bench)
mapfile -t sources < <(git ls-files "${dirs[@]/%//*.cpp}" "${dirs[@]/%//*.h}")
failed=0

echo "== clang-format"
clang-format --dry-run --Werror "${sources[@]}" || failed=1

echo "== cppcheck"
cppcheck --std=c++17 --enable=warning,performance,portability --library=windows --library=googletest \
  --inline-suppr --error-exitcode=1 --quiet -I. --suppress=missingIncludeSystem --platform=win64 "${dirs[@]}" ||
  failed=1

echo "== clang-tidy"
# The Windows sources are read with the MinGW compiler's own C++ headers,
# which clang does not find by itself.
gcc_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
mingw_args=(--extra-arg=-nostdinc++ "--extra-arg=-isystem$gcc_dir/include/c++"
  "--extra-arg=-isystem$gcc_dir/include/c++/x86_64-w64-mingw32" "--extra-arg=-isystem$gcc_dir/include/c++/backward")
in_db() { grep -q "\"file\": \"$PWD/$2\"" "build/$1/compile_commands.json"; }
for source in "${sources[@]}"; do
  [[ $source == *.cpp ]] || continue
  if in_db win64 "$source"; then
    clang-tidy --quiet -p build/win64 "${mingw_args[@]}" "$source" 2>/dev/null || { echo "clang-tidy: $source"; failed=1; }
  elif in_db native "$source"; then
    clang-tidy --quiet -p build/native "$source" 2>/dev/null || { echo "clang-tidy: $source"; failed=1; }
  elif in_db fuzz "$source"; then
    clang-tidy --quiet -p build/fuzz "$source" 2>/dev/null || { echo "clang-tidy: $source"; failed=1; }
  elif in_db bench "$source"; then
    clang-tidy --quiet -p build/bench "$source" 2>/dev/null || { echo "clang-tidy: $source"; failed=1; }
  else
    echo "clang-tidy: $source is in no build"
    failed=1
  fi
done
[ "$failed" -eq 0 ] && echo "checks: clean"
exit "$failed"
