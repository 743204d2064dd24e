#!/usr/bin/env bash
# Sets up everything the tests need, then runs the quality gates in turn:
#   1. testes        the build and every test through CTest;
#   2. sanitizadores the same tests in a second build with AddressSanitizer and
#                    UndefinedBehaviorSanitizer (build-asan): no finding allowed;
#   3. concorrencia  the tests that start threads of the program's own (the cut of calls,
#                    the end signals, the parallel start, silent servers) in a build with
#                    ThreadSanitizer (build-tsan): no finding allowed;
#   4. fuzz          every libFuzzer target for a bounded time on its seed corpus
#                    (build-fuzz, clang).
# The test runs share one Firebird port and one cupsd port, so they run one after the
# other, never at the same time. TESSELA_ETAPAS picks stages (default: all four).
set -uo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh || exit 1
etapas=${TESSELA_ETAPAS:-testes sanitizadores concorrencia fuzz}
build=${TESSELA_BUILD_DIR:-build}
build_asan=${TESSELA_BUILD_ASAN:-build-asan}
build_tsan=${TESSELA_BUILD_TSAN:-build-tsan}
build_fuzz=${TESSELA_BUILD_FUZZ:-build-fuzz}
nucleos=$(nproc)
falhas=()
registro=$(mktemp /tmp/tessela-testes.XXXXXX)
trap 'rm -f "$registro"' EXIT

etapa() { # name, command...
  local nome=$1 inicio=$SECONDS
  shift
  echo "=== $nome"
  if { "$@" 2>&1 | tee -a "$registro"; [ "${PIPESTATUS[0]}" -eq 0 ]; }; then
    echo "=== $nome: passed in $((SECONDS - inicio)) s"
  else
    echo "=== $nome: FAILED after $((SECONDS - inicio)) s"
    falhas+=("$nome")
  fi
}

testes() {
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null &&
    cmake --build "$build" -j "$nucleos" &&
    ctest --test-dir "$build" --output-on-failure -j 2
}

# -O1 keeps the instrumented build and its Qt tests fast enough. GCC warns of
# uninitialised values that ASan's instrumentation makes it imagine (libstdc++'s
# <regex>), so that one warning is off here only. LeakSanitizer's tracer died at exit
# in a test of the Firebird client (dlopened, with dynamic TLS) by where the heap lay
# (the clone's path decided it): GCC 12's interception of __tls_get_addr can take a
# dynamic TLS block for one with glibc 2.19's header and read before it. It is off.
sanitizadores() {
  local supp
  supp=$(pwd)/tests/robustez/sanitizadores/lsan.supp
  cmake -S . -B "$build_asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSELA_SANITIZE=ON \
    -DTESSELA_BENCH=OFF -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" \
    -DCMAKE_CXX_FLAGS="-Wno-maybe-uninitialized" >/dev/null &&
    cmake --build "$build_asan" -j "$nucleos" &&
    ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:strict_init_order=1:intercept_tls_get_addr=0 \
      LSAN_OPTIONS="suppressions=$supp:print_suppressions=0" \
      UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      ctest --test-dir "$build_asan" --output-on-failure -j 2
}

# Only the tests that start threads of the program's own, and what they use. A finding
# ends the test with a failure. GCC 12's runtime expects the memory layout of a process
# without address randomisation: with it, it once failed to map the shadow of a new
# mapping mid-test ("failed to allocate ... errno: 12"), so the tests run without it
# (later runtimes re-execute themselves so).
concorrencia() {
  local alvos=(tessela_common_tests tessela_startup_tests tessela_startup_servidor_tests
    tessela_database_tests tessela_printing_tests)
  local testes='^common\.Interrupcao|^startup\.FimDoProcesso|^startup\.ComServidorECompartilhamento$'
  testes+='|^database\.(ServidorSilencioso|CorteAoDesanexar)|^impressao\.PedidoAoServidorMudo'
  cmake -S . -B "$build_tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSELA_TSAN=ON \
    -DTESSELA_BENCH=OFF -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" >/dev/null &&
    cmake --build "$build_tsan" -j "$nucleos" --target "${alvos[@]}" &&
    TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$(pwd)/tests/robustez/sanitizadores/tsan.supp" \
      setarch "$(uname -m)" -R ctest --test-dir "$build_tsan" --output-on-failure -j 2 -R "$testes"
}

# Only the fuzz targets and the libraries they use are built here.
fuzz() {
  cmake -S . -B "$build_fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DTESSELA_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null &&
    cmake --build "$build_fuzz" --target tessela_fuzz -j "$nucleos" &&
    ctest --test-dir "$build_fuzz" --output-on-failure -j 2
}

for e in $etapas; do
  case "$e" in
  testes | sanitizadores | concorrencia | fuzz) etapa "$e" "$e" ;;
  *)
    echo "unknown stage: $e" >&2
    exit 2
    ;;
  esac
done

# One closing line for all stages, from CTest's own summaries.
awk '/tests failed out of/ { falhou += $(NF-5); total += $NF }
     END { printf "all stages: %d passed, %d failed\n", total - falhou, falhou }' "$registro"
if [ ${#falhas[@]} -gt 0 ]; then
  echo "FAILED stages: ${falhas[*]}"
  exit 1
fi
echo "all stages passed: $etapas"
