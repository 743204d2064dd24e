#include "common/arquivo_texto.h"
#include "common/erros.h"
#include "support/apoio.h"

#include <algorithm>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tessela::teste {
namespace {

class ArquivoTexto : public ::testing::Test {
protected:
    std::filesystem::path Arquivo(const char* nome) const { return pasta_.Caminho() / nome; }
    PastaTemporaria pasta_;
};

TEST_F(ArquivoTexto, GravaComCrLfSemBom) {
    const auto a = Arquivo("laudo.txt");
    GravarArquivoTexto(a.string(), {"ACIDO ASC\xD3RBICO", "", "fim \x93ok\x94"});
    EXPECT_EQ(LerBytes(a), "ACIDO ASC\xD3RBICO\r\n\r\nfim \x93ok\x94\r\n");
}

TEST_F(ArquivoTexto, GravarSubstituiOConteudo) {
    const auto a = Arquivo("x.txt");
    EscreverBytes(a, "antigo conteudo bem mais longo\r\n");
    GravarArquivoTexto(a.string(), {"novo"});
    EXPECT_EQ(LerBytes(a), "novo\r\n");
}

TEST_F(ArquivoTexto, CriarCriaOuEsvazia) {
    const auto a = Arquivo("vazio.txt");
    CriarArquivoTexto(a.string());
    EXPECT_TRUE(std::filesystem::exists(a));
    EXPECT_EQ(LerBytes(a), "");
    EscreverBytes(a, "algo\r\n");
    CriarArquivoTexto(a.string());
    EXPECT_EQ(LerBytes(a), "");
}

TEST_F(ArquivoTexto, AcrescentarPrecisaDoArquivo) {
    const auto a = Arquivo("diag.txt");
    EXPECT_THROW(AcrescentarLinha(a.string(), "linha"), ErroEntradaSaida);
    EXPECT_FALSE(std::filesystem::exists(a));
    CriarArquivoTexto(a.string());
    AcrescentarLinha(a.string(), "um");
    AcrescentarLinha(a.string(), "dois");
    EXPECT_EQ(LerBytes(a), "um\r\ndois\r\n");
}

TEST_F(ArquivoTexto, GravarNumaPastaQueNaoExisteFalha) {
    const auto a = pasta_.Caminho() / "nao-existe" / "x.txt";
    try {
        GravarArquivoTexto(a.string(), {"x"});
        FAIL() << "no error";
    } catch (const ErroEntradaSaida& e) {
        EXPECT_NE(std::string(e.what()).find(a.string()), std::string::npos) << e.what();
    }
}

struct CasoLeitura {
    const char* nome;
    std::string bytes;
    std::vector<std::string> linhas;
};

TEST_F(ArquivoTexto, LeFinaisDeLinha) {
    const std::vector<CasoLeitura> casos = {
        {"CR LF", "a\r\nb\r\n", {"a", "b"}},
        {"LF", "a\nb\n", {"a", "b"}},
        {"mixed", "a\nb\r\nc", {"a", "b", "c"}},
        {"no final end", "a\r\nb", {"a", "b"}},
        {"empty file", "", {}},
        {"one empty line", "\r\n", {""}},
        {"empty lines", "a\n\n\r\nb", {"a", "", "", "b"}},
        {"lone CR", "a\rb\r\n", {"a\rb"}},
        {"CR before CR LF", "a\r\r\n", {"a\r"}},
        {"final lone CR", "a\r", {"a\r"}},
        {"0x1A", "x\x1Ay\r\n\x1A\r\nz", {"x\x1Ay", "\x1A", "z"}},
        {"code page bytes", "\xE3\x80\r\n", {"\xE3\x80"}},
    };
    for (const auto& c : casos) {
        const auto a = Arquivo("ler.txt");
        EscreverBytes(a, c.bytes);
        EXPECT_EQ(LerLinhasTexto(a.string()), c.linhas) << c.nome;
    }
}

TEST_F(ArquivoTexto, LerArquivoAusenteOuPastaFalha) {
    const auto ausente = Arquivo("ausente.txt");
    try {
        LerLinhasTexto(ausente.string());
        FAIL() << "no error";
    } catch (const ErroEntradaSaida& e) {
        EXPECT_NE(std::string(e.what()).find(ausente.string()), std::string::npos) << e.what();
    }
    // A folder opens as a file but cannot be read.
    EXPECT_THROW(LerLinhasTexto(pasta_.Caminho().string()), ErroEntradaSaida);
}

TEST_F(ArquivoTexto, ArquivoExiste) {
    const auto a = Arquivo("existe.txt");
    EXPECT_FALSE(ArquivoExiste(a.string()));
    CriarArquivoTexto(a.string());
    EXPECT_TRUE(ArquivoExiste(a.string()));
    EXPECT_FALSE(ArquivoExiste(pasta_.Caminho().string())); // a folder is no file
    EXPECT_FALSE(ArquivoExiste("\\\\HOST-SEM-MONTAGEM\\NADA\\x.txt"));
}

// What a call did in a child process: the text of its error, or empty.
struct Resultado {
    bool terminou = false;
    std::string erro;
};

// Runs the call in a forked child, as the user nobody when comoNinguem (which needs root),
// with the child's own limits and signals; the parent never changes its own.
Resultado NoFilho(const std::function<void()>& chamada, bool comoNinguem) {
    int tubo[2];
    if (pipe(tubo) != 0)
        return {};
    const pid_t filho = fork();
    if (filho == 0) {
        close(tubo[0]);
        std::string erro;
        if (comoNinguem && (setgid(65534) != 0 || setuid(65534) != 0))
            erro = "setuid";
        else
            try {
                chamada();
            } catch (const std::exception& e) {
                erro = e.what();
                if (erro.empty())
                    erro = "(an error without text)";
            }
        [[maybe_unused]] const auto n = write(tubo[1], erro.data(), erro.size());
        _exit(0);
    }
    close(tubo[1]);
    Resultado r;
    char bloco[512];
    ssize_t n;
    while ((n = read(tubo[0], bloco, sizeof bloco)) > 0)
        r.erro.append(bloco, static_cast<std::size_t>(n));
    close(tubo[0]);
    int status = 0;
    r.terminou = filho > 0 && waitpid(filho, &status, 0) == filho && WIFEXITED(status) &&
                 WEXITSTATUS(status) == 0;
    return r;
}

std::vector<std::string> Nomes(const std::filesystem::path& pasta) {
    std::vector<std::string> nomes;
    for (const auto& e : std::filesystem::directory_iterator(pasta))
        nomes.push_back(e.path().filename().string());
    std::sort(nomes.begin(), nomes.end());
    return nomes;
}

// A folder that lets its files be written but no file be created: the file is written in
// place. A file the user cannot write, or one running as a program (ETXTBSY, as a sharing
// violation is EBUSY), fails in place too, and the error says which.
TEST_F(ArquivoTexto, PastaSemCriacaoGravaNoProprioArquivo) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root, to write as another user";
    const auto pasta = pasta_.Caminho();
    std::filesystem::permissions(pasta, std::filesystem::perms(0755));
    const auto a = Arquivo("Fichapes1.txt");
    EscreverBytes(a, "laudo anterior, mais longo que o novo\r\n");
    std::filesystem::permissions(a, std::filesystem::perms(0666));
    const auto r = NoFilho([&] { GravarArquivoTexto(a.string(), {"novo"}); }, true);
    ASSERT_TRUE(r.terminou);
    EXPECT_EQ(r.erro, "");
    EXPECT_EQ(LerBytes(a), "novo\r\n");
    EXPECT_EQ(Nomes(pasta), std::vector<std::string>{"Fichapes1.txt"});

    const auto somenteLeitura = Arquivo("ULTATIV.LLF");
    EscreverBytes(somenteLeitura, "antes\r\n");
    const auto negado = NoFilho([&] { GravarArquivoTexto(somenteLeitura.string(), {"x"}); }, true);
    EXPECT_EQ(negado.erro, "N\xE3o foi poss\xEDvel gravar " + somenteLeitura.string() +
                               ": Permission denied; nem no pr\xF3prio arquivo: Permission denied");
    EXPECT_EQ(LerBytes(somenteLeitura), "antes\r\n");

    // A program running from the file: Linux refuses to write it, as a Windows server
    // refuses a file another program holds.
    const auto programa = Arquivo("programa");
    std::filesystem::copy_file("/bin/sleep", programa);
    std::filesystem::permissions(programa, std::filesystem::perms(0777));
    const pid_t rodando = fork();
    if (rodando == 0) {
        execl(programa.c_str(), "sleep", "30", static_cast<char*>(nullptr));
        _exit(127);
    }
    const auto exe = "/proc/" + std::to_string(rodando) + "/exe";
    std::error_code ec;
    for (int i = 0; i < 500 && std::filesystem::read_symlink(exe, ec) != programa; ++i)
        usleep(10000);
    const auto aberto = NoFilho([&] { GravarArquivoTexto(programa.string(), {"x"}); }, true);
    kill(rodando, SIGKILL);
    waitpid(rodando, nullptr, 0);
    EXPECT_EQ(aberto.erro, "O arquivo " + programa.string() + " est\xE1 aberto em outro programa.");
    EXPECT_EQ(LerBytes(programa), LerBytes("/bin/sleep"));
    EXPECT_EQ(Nomes(pasta), (std::vector<std::string>{"Fichapes1.txt", "ULTATIV.LLF", "programa"}));
}

// Temporary files of this program that a killed run left are removed by a later write in
// the folder once they are an hour old; younger ones, other names and one kept because it
// holds the only copy of new bytes stay.
TEST_F(ArquivoTexto, TemporariosAbandonadosSaemDepoisDeUmaHora) {
    const std::vector<std::string> velhos = {".Fichapes1.txt.tessela-004711",
                                             ".DiagOM.txt.tessela-999999"};
    const std::vector<std::string> ficam = {".Fichapes1.txt.tessela-123456", // young
                                            ".x.tessela-12345",
                                            "x.tessela-123456",
                                            ".x.tessela-1234567",
                                            ".x.tessela-12345a",
                                            ".Fichapes1.txt.tessela-guardado-004712"};
    const auto duasHorasAtras = std::time(nullptr) - 2 * 3600;
    for (const auto& nome : velhos)
        EscreverBytes(Arquivo(nome.c_str()), "");
    for (const auto& nome : ficam)
        EscreverBytes(Arquivo(nome.c_str()), "");
    for (const auto* nome :
         {".x.tessela-12345", "x.tessela-123456", ".x.tessela-1234567", ".x.tessela-12345a",
          ".Fichapes1.txt.tessela-004711", ".DiagOM.txt.tessela-999999",
          ".Fichapes1.txt.tessela-guardado-004712"}) {
        const timespec tempos[2] = {{duasHorasAtras, 0}, {duasHorasAtras, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, Arquivo(nome).c_str(), tempos, 0), 0);
    }
    GravarArquivoTexto(Arquivo("ULTATIV.LLF").string(), {"08/12/26"});
    auto esperado = ficam;
    esperado.push_back("ULTATIV.LLF");
    std::sort(esperado.begin(), esperado.end());
    EXPECT_EQ(Nomes(pasta_.Caminho()), esperado);
}

// An append that only partly fits takes back its own piece and nothing else.
TEST_F(ArquivoTexto, AcrescimoQueFalhaTiraSoOProprio) {
    const auto a = Arquivo("DiagOM.txt");
    EscreverBytes(a, "Inicio do Tessela\r\n");
    // The file-size limit lets the write in only in part (the rest would raise SIGXFSZ).
    const auto r = NoFilho(
        [&] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limite{25, 25};
            setrlimit(RLIMIT_FSIZE, &limite);
            AcrescentarLinha(a.string(), "Inicio do Tessela");
        },
        false);
    ASSERT_TRUE(r.terminou);
    EXPECT_EQ(r.erro, "N\xE3o foi poss\xEDvel gravar " + a.string() + ": No space left on device");
    EXPECT_EQ(LerBytes(a), "Inicio do Tessela\r\n");

    // Another program's line appended after the piece stays, and so does the piece.
    const int nosso = open(a.c_str(), O_WRONLY | O_APPEND);
    const int outro = open(a.c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(nosso, 0);
    ASSERT_GE(outro, 0);
    ASSERT_EQ(write(nosso, "Inic", 4), 4);
    ASSERT_EQ(write(outro, "Outra\r\n", 7), 7);
    TirarAcrescimo(nosso, 4);
    EXPECT_EQ(LerBytes(a), "Inicio do Tessela\r\nInicOutra\r\n");
    // With nothing after it, the piece goes; the other line was appended before it.
    ASSERT_EQ(write(nosso, "Inic", 4), 4);
    TirarAcrescimo(nosso, 4);
    EXPECT_EQ(LerBytes(a), "Inicio do Tessela\r\nInicOutra\r\n");
    close(nosso);
    close(outro);
}

} // namespace
} // namespace tessela::teste
