#include "screen/falhas.h"

#include "common/erros.h"
#include "common/registro.h"
#include "common/texto.h"

#include <array>
#include <csignal>
#include <ctime>
#include <execinfo.h>
#include <iostream>
#include <unistd.h>

namespace tessela {

namespace {

// A signal handler can reach nothing but what lives for the whole process: the file
// and the alternate stack are the only state of this kind in the program.
int arquivoFalhas = STDERR_FILENO;
long deslocamentoLocal = 0; // seconds east of UTC when installed
std::array<char, 64 * 1024> pilhaAlternativa;

constexpr std::array<int, 5> kSinais = {SIGSEGV, SIGABRT, SIGFPE, SIGBUS, SIGILL};

// Everything below is async-signal-safe: write, read, pipe, close and arithmetic.

void Escrever(const char* texto, std::size_t tamanho) {
    while (tamanho > 0) {
        const ssize_t n = write(arquivoFalhas, texto, tamanho);
        if (n <= 0)
            return;
        texto += n;
        tamanho -= static_cast<std::size_t>(n);
    }
}

void Escrever(const char* texto) {
    std::size_t n = 0;
    while (texto[n] != '\0')
        ++n;
    Escrever(texto, n);
}

// Writes text with every LF turned into CR LF.
void EscreverLinhas(const char* texto, std::size_t tamanho) {
    std::size_t inicio = 0;
    for (std::size_t i = 0; i < tamanho; ++i) {
        if (texto[i] == '\n') {
            Escrever(texto + inicio, i - inicio);
            Escrever("\r\n", 2);
            inicio = i + 1;
        }
    }
    Escrever(texto + inicio, tamanho - inicio);
}

void DoisDigitos(char* destino, long valor) {
    destino[0] = static_cast<char>('0' + (valor / 10) % 10);
    destino[1] = static_cast<char>('0' + valor % 10);
}

// "dd/mm/yyyy hh:nn:ss" of local time, by arithmetic (civil date from a day count).
void EscreverHora() {
    const long agora = static_cast<long>(time(nullptr)) + deslocamentoLocal;
    long dias = agora / 86400;
    long segundos = agora % 86400;
    if (segundos < 0) {
        segundos += 86400;
        --dias;
    }
    dias += 719468;
    const long era = (dias >= 0 ? dias : dias - 146096) / 146097;
    const long doe = dias - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    const long dia = doy - (153 * mp + 2) / 5 + 1;
    const long mes = mp < 10 ? mp + 3 : mp - 9;
    const long ano = yoe + era * 400 + (mes <= 2 ? 1 : 0);
    char texto[] = "dd/mm/yyyy hh:nn:ss";
    DoisDigitos(texto, dia);
    DoisDigitos(texto + 3, mes);
    DoisDigitos(texto + 6, ano / 100);
    DoisDigitos(texto + 8, ano % 100);
    DoisDigitos(texto + 11, segundos / 3600);
    DoisDigitos(texto + 14, (segundos / 60) % 60);
    DoisDigitos(texto + 17, segundos % 60);
    Escrever(texto);
}

const char* NomeDoSinal(int sinal) {
    switch (sinal) {
    case SIGSEGV:
        return "SIGSEGV (acesso inv\xE1lido \xE0 mem\xF3ria)";
    case SIGABRT:
        return "SIGABRT (abortado)";
    case SIGFPE:
        return "SIGFPE (erro aritm\xE9tico)";
    case SIGBUS:
        return "SIGBUS (erro de barramento)";
    case SIGILL:
        return "SIGILL (instru\xE7\xE3o ilegal)";
    default:
        return "sinal desconhecido";
    }
}

// backtrace_symbols_fd writes LF-ended lines; they pass through a pipe so that the
// report keeps CR LF line ends.
void EscreverPilha() {
    std::array<void*, 64> quadros;
    const int n = backtrace(quadros.data(), static_cast<int>(quadros.size()));
    int tubo[2];
    if (pipe(tubo) != 0) {
        backtrace_symbols_fd(quadros.data(), n, arquivoFalhas);
        return;
    }
    backtrace_symbols_fd(quadros.data(), n, tubo[1]);
    close(tubo[1]);
    std::array<char, 4096> bloco;
    ssize_t lidos;
    while ((lidos = read(tubo[0], bloco.data(), bloco.size())) > 0)
        EscreverLinhas(bloco.data(), static_cast<std::size_t>(lidos));
    close(tubo[0]);
}

void AoSinalFatal(int sinal) {
    Escrever("\r\n");
    EscreverHora();
    Escrever(" Falha fatal: ");
    Escrever(NomeDoSinal(sinal));
    Escrever("\r\nPilha de chamadas:\r\n");
    EscreverPilha();
    Escrever("\r\n");
    fsync(arquivoFalhas);
    // The handler was reset on entry: raising again gives the default action.
    raise(sinal);
}

} // namespace

bool InstalarRelatorioDeFalhas(const std::string& pastaLog) {
    int fd = -1;
    try {
        fd = AbrirRegistro(ArquivoDeRegistro(pastaLog, "falhas"));
    } catch (const ErroEntradaSaida& e) {
        std::cerr << "tessela: " << Cp1252ParaUtf8(e.what()) << '\n';
    }
    if (fd >= 0) {
        if (arquivoFalhas != STDERR_FILENO)
            close(arquivoFalhas);
        arquivoFalhas = fd;
    }

    const std::time_t agora = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&agora, &local) != nullptr)
        deslocamentoLocal = local.tm_gmtoff;

    // The first call loads the unwinder, which must not happen inside the handler.
    std::array<void*, 1> aquecer;
    backtrace(aquecer.data(), 1);

    stack_t pilha{};
    pilha.ss_sp = pilhaAlternativa.data();
    pilha.ss_size = pilhaAlternativa.size();
    sigaltstack(&pilha, nullptr);

    struct sigaction acao {};
    acao.sa_handler = AoSinalFatal;
    sigemptyset(&acao.sa_mask);
    acao.sa_flags = SA_RESETHAND | SA_NODEFER | SA_ONSTACK;
    for (const int sinal : kSinais)
        sigaction(sinal, &acao, nullptr);
    return fd >= 0;
}

} // namespace tessela
