// Speed of the cell wrapping and of the report composition. Composition must grow
// linearly with the number of tests: 1, 100 and 10 000 tests, fitted to O(N).

#include "report/celula.h"
#include "report/laudo.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <malloc.h>
#include <string>
#include <sys/resource.h>

namespace {

const std::string kEspecificacao =
    "PO CRISTALINO BRANCO OU QUASE BRANCO, INODORO, DE SABOR ACIDO. SOLUVEL EM AGUA, "
    "POUCO SOLUVEL EM ETANOL, PRATICAMENTE INSOLUVEL EM ETER. FAIXA DE FUSAO: 189 A 192 "
    "GRAUS, COM DECOMPOSICAO. ROTACAO OPTICA ESPECIFICA: +20,5 A +21,5 GRAUS (AGUA).";

// A text of n characters made of the words of kEspecificacao.
std::string Texto(std::size_t n) {
    std::string t;
    while (t.size() < n)
        t += kEspecificacao + " ";
    t.resize(n);
    return t;
}

void QuebrarEspecificacao(benchmark::State& estado) {
    const std::string texto = Texto(static_cast<std::size_t>(estado.range(0)));
    for (auto _ : estado)
        benchmark::DoNotOptimize(tessela::QuebrarTexto(texto, tessela::kLarguraEspecificacao));
    estado.SetBytesProcessed(static_cast<std::int64_t>(estado.iterations()) * estado.range(0));
    estado.SetComplexityN(estado.range(0));
}
// The column holds up to 250 characters; far longer texts show the growth.
BENCHMARK(QuebrarEspecificacao)
    ->Arg(22)
    ->Arg(250)
    ->Arg(2500)
    ->Arg(25000)
    ->Complexity(benchmark::oN);

void QuebrarPalavraLonga(benchmark::State& estado) {
    const std::string texto(static_cast<std::size_t>(estado.range(0)), 'A');
    for (auto _ : estado)
        benchmark::DoNotOptimize(tessela::QuebrarTexto(texto, tessela::kLarguraEnsaio));
    estado.SetComplexityN(estado.range(0));
}
BENCHMARK(QuebrarPalavraLonga)->Arg(100)->Arg(10000)->Complexity(benchmark::oN);

tessela::EntradaLaudo Entrada(std::size_t ensaios) {
    tessela::EntradaLaudo e;
    e.Produto = "ACIDO ASCORBICO";
    e.Lote = "L2301";
    e.Fornecedor = "DISTRIBUIDORA CENTRAL";
    e.Validade = "12/2027";
    e.TituloCentralLaudo = "MATERIAS-PRIMAS";
    e.TextoData = tessela::TextoDataLaudo({8, 12, 2026});
    e.MargemLaudo = std::string(5, ' ');
    for (std::size_t i = 0; i < ensaios; ++i)
        e.Ensaios.push_back(
            {"IDENTIFICACAO POR INFRAVERMELHO " + std::to_string(i), Texto(60 + (i * 37) % 190)});
    return e;
}

long FaltasDePagina() {
    rusage uso{};
    getrusage(RUSAGE_SELF, &uso);
    return uso.ru_minflt;
}

void ComporLaudo(benchmark::State& estado) {
    const auto e = Entrada(static_cast<std::size_t>(estado.range(0)));
    std::size_t linhas = 0;
    const long faltasAntes = FaltasDePagina();
    for (auto _ : estado) {
        const auto r = tessela::ComporLaudo(e);
        linhas = r.size();
        benchmark::DoNotOptimize(r.data());
    }
    estado.counters["linhas"] = static_cast<double>(linhas);
    // Pages the kernel had to map in, per composition.
    estado.counters["faltas"] = benchmark::Counter(
        static_cast<double>(FaltasDePagina() - faltasAntes), benchmark::Counter::kAvgIterations);
    estado.SetComplexityN(estado.range(0));
}
BENCHMARK(ComporLaudo)
    ->Arg(1)
    ->Arg(100)
    ->Arg(10000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    // Every size is measured with the allocator in the same state. By default glibc hands
    // the megabytes a large composition frees back to the kernel at once, and the next
    // iteration faults every page in again: a cost that small compositions, which stay
    // in the memory the allocator keeps, never see, and that a run of the program (one
    // composition) pays at most once. TESSELA_ALOCADOR_PADRAO=1 measures that default.
    if (!std::getenv("TESSELA_ALOCADOR_PADRAO")) {
        mallopt(M_MMAP_THRESHOLD, 32 << 20);
        mallopt(M_TRIM_THRESHOLD, 256 << 20);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
