#include "common/arquivo_texto.h"
#include "common/compartilhamento.h"
#include "common/erros.h"
#include "support/apoio.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <sys/mount.h>

namespace tessela::teste {
namespace {

namespace fs = std::filesystem;

// ------------------------------------------------------------------ UNC paths

struct CasoUnc {
    std::string caminho;
    std::optional<CaminhoUnc> esperado;
};

TEST(AnalisarUnc, PartesDoCaminho) {
    const std::vector<CasoUnc> casos = {
        {"\\\\SERVIDOR\\MAGNOLIA\\Interfac03\\Fichapes1.txt",
         CaminhoUnc{"SERVIDOR", "MAGNOLIA", "Interfac03/Fichapes1.txt"}},
        {"\\\\192.168.0.1\\magnolia\\x.txt", CaminhoUnc{"192.168.0.1", "magnolia", "x.txt"}},
        {"\\\\h\\s", CaminhoUnc{"h", "s", ""}},
        {"\\\\h\\s\\", CaminhoUnc{"h", "s", ""}},
        {"\\\\h\\s\\A b\\C.TXT", CaminhoUnc{"h", "s", "A b/C.TXT"}},
        {"C:\\magnolia\\dados", std::nullopt},
        {"/tmp/x.txt", std::nullopt},
        {"\\x", std::nullopt},
        {"\\\\", std::nullopt},
        {"\\\\h", std::nullopt},
        {"\\\\h\\", std::nullopt},
        {"\\\\\\s\\x", std::nullopt},
        {"\\\\h\\\\x", std::nullopt},
    };
    for (const auto& c : casos) {
        const auto r = AnalisarUnc(c.caminho);
        ASSERT_EQ(r.has_value(), c.esperado.has_value()) << c.caminho;
        if (r) {
            EXPECT_EQ(r->host, c.esperado->host) << c.caminho;
            EXPECT_EQ(r->compartilhamento, c.esperado->compartilhamento) << c.caminho;
            EXPECT_EQ(r->resto, c.esperado->resto) << c.caminho;
        }
    }
}

// ------------------------------------------------------------------ mount table

const char* const kTabela = "sysfs /sys sysfs rw,nosuid 0 0\n"
                            "/dev/sda1 / ext4 rw,relatime 0 0\n"
                            "//SERVIDOR/OUTRO /mnt/outro cifs rw 0 0\n"
                            "//SERVIDOR/MAGNOLIA2 /mnt/magnolia2 cifs rw 0 0\n"
                            "//OUTROHOST/MAGNOLIA /mnt/outrohost cifs rw 0 0\n"
                            "//servidor/magnolia /mnt/primeira cifs rw 0 0\n"
                            "//Servidor/Magnolia/ /mnt/com\\040blanco\\011e\\134barra smb3 rw 0 0\n"
                            "tmpfs /run tmpfs rw 0 0\n";

TEST(PontoDeMontagem, SemCaixaUltimaEntradaVenceEscapesOctais) {
    EXPECT_EQ(PontoDeMontagem(kTabela, "SERVIDOR", "MAGNOLIA"),
              fs::path("/mnt/com blanco\te\\barra"));
    EXPECT_EQ(PontoDeMontagem(kTabela, "servidor", "Magnolia"),
              fs::path("/mnt/com blanco\te\\barra"));
    EXPECT_EQ(PontoDeMontagem(kTabela, "SERVIDOR", "outro"), fs::path("/mnt/outro"));
    EXPECT_EQ(PontoDeMontagem(kTabela, "OutroHost", "MAGNOLIA"), fs::path("/mnt/outrohost"));
}

TEST(PontoDeMontagem, Ausente) {
    EXPECT_EQ(PontoDeMontagem(kTabela, "SERVIDOR", "MAGNO"), std::nullopt);
    EXPECT_EQ(PontoDeMontagem(kTabela, "SERV", "MAGNOLIA"), std::nullopt);
    EXPECT_EQ(PontoDeMontagem(kTabela, "SERVIDOR", "SYS"), std::nullopt);
    EXPECT_EQ(PontoDeMontagem("", "SERVIDOR", "MAGNOLIA"), std::nullopt);
    EXPECT_EQ(PontoDeMontagem("incompleta\n\n", "SERVIDOR", "MAGNOLIA"), std::nullopt);
}

// ------------------------------------------------------------------ gvfs

TEST(MontagemGvfs, PastaDoGvfs) {
    PastaTemporaria raiz;
    fs::create_directory(raiz.Caminho() / "smb-share:server=outro,share=magnolia");
    fs::create_directory(raiz.Caminho() / "sftp:host=servidor");
    const auto certa =
        raiz.Caminho() / "smb-share:domain=LOJA,server=servidor,share=magnolia,user=maria";
    fs::create_directory(certa);
    EXPECT_EQ(MontagemGvfs(raiz.Caminho(), "SERVIDOR", "MAGNOLIA"), certa);
    EXPECT_EQ(MontagemGvfs(raiz.Caminho(), "SERVIDOR", "DADOS"), std::nullopt);
    EXPECT_EQ(MontagemGvfs(raiz.Caminho() / "nao-existe", "SERVIDOR", "MAGNOLIA"), std::nullopt);
}

TEST(MontagemGvfs, RaizesNaOrdem) {
    EXPECT_EQ(RaizesGvfs("/tmp/rt-maria", 1000),
              (std::vector<fs::path>{"/tmp/rt-maria/gvfs", "/run/user/1000/gvfs"}));
    EXPECT_EQ(RaizesGvfs("/run/user/1000/", 1000), (std::vector<fs::path>{"/run/user/1000/gvfs"}));
    EXPECT_EQ(RaizesGvfs("", 0), (std::vector<fs::path>{"/run/user/0/gvfs"}));
    EXPECT_EQ(RaizesGvfs(nullptr, 0), (std::vector<fs::path>{"/run/user/0/gvfs"}));
}

// ------------------------------------------------------------------ resolution

TEST(ResolverCaminho, PelaTabelaPeloGvfsOuErro) {
    PastaTemporaria raiz, outraRaiz;
    const auto gvfs = raiz.Caminho() / "smb-share:server=gvfshost,share=dados";
    fs::create_directory(gvfs);
    // The user's own runtime folder comes first; the other root is still looked at.
    const std::vector<fs::path> raizes = {outraRaiz.Caminho(), raiz.Caminho()};
    const auto primeira = outraRaiz.Caminho() / "smb-share:server=ambos,share=dados";
    fs::create_directory(primeira);
    fs::create_directory(raiz.Caminho() / "smb-share:server=ambos,share=dados");
    EXPECT_EQ(ResolverCaminho("\\\\AMBOS\\DADOS\\x.txt", kTabela, raizes), primeira / "x.txt");

    EXPECT_EQ(ResolverCaminho("\\\\SERVIDOR\\OUTRO\\Interfac03\\Laudo X.txt", kTabela, raizes),
              fs::path("/mnt/outro/Interfac03/Laudo X.txt"));
    EXPECT_EQ(ResolverCaminho("\\\\SERVIDOR\\OUTRO", kTabela, raizes), fs::path("/mnt/outro"));
    EXPECT_EQ(ResolverCaminho("\\\\GVFSHOST\\Dados\\a\\b.txt", kTabela, raizes), gvfs / "a/b.txt");
    EXPECT_EQ(ResolverCaminho("/usr/local/x.txt", kTabela, raizes), fs::path("/usr/local/x.txt"));
    // Names on the share are UTF-8 on this side.
    EXPECT_EQ(ResolverCaminho("\\\\SERVIDOR\\OUTRO\\Laudo\xD3XIDO.txt", kTabela, raizes),
              fs::path("/mnt/outro/Laudo\xC3\x93XIDO.txt"));

    const std::string unc = "\\\\NINGUEM\\MAGNOLIA\\Interfac03\\ULTATIV.LLF";
    try {
        ResolverCaminho(unc, kTabela, raizes);
        FAIL() << "no error";
    } catch (const ErroEntradaSaida& e) {
        EXPECT_NE(std::string(e.what()).find(unc), std::string::npos) << e.what();
    }
}

// ------------------------------------------------------------------ a real mount

const char* const kUnc = "\\\\SERVIDOR\\MAGNOLIA\\Interfac03\\x.txt";
const char* const kUncMinusculo = "\\\\servidor\\magnolia\\Interfac03\\x.txt";

// Runs inside tests/support/com-compartilhamento.sh, where //SERVIDOR/MAGNOLIA is a
// tmpfs mounted at $TESSELA_COMPARTILHAMENTO.
class MontagemReal : public ::testing::Test {
protected:
    void SetUp() override {
        raiz_ = PastaDoCompartilhamento();
        if (raiz_.empty())
            GTEST_SKIP() << "needs the test share (tests/support/com-compartilhamento.sh)";
    }
    fs::path raiz_;
};

TEST_F(MontagemReal, CaminhoLocalAchaAMontagem) {
    const auto esperado = raiz_ / "Interfac03" / "x.txt";
    EXPECT_EQ(fs::weakly_canonical(CaminhoLocal(kUnc)), fs::weakly_canonical(esperado));
    EXPECT_EQ(fs::weakly_canonical(CaminhoLocal(kUncMinusculo)), fs::weakly_canonical(esperado));
}

TEST_F(MontagemReal, ArquivosGravadosPeloUncCaemNaMontagem) {
    GravarArquivoTexto(kUnc, {"08/12/26", "14:05:09"});
    EXPECT_EQ(LerBytes(raiz_ / "Interfac03" / "x.txt"), "08/12/26\r\n14:05:09\r\n");
    EXPECT_TRUE(ArquivoExiste(kUncMinusculo));
    AcrescentarLinha(kUncMinusculo, "fim");
    EXPECT_EQ(LerLinhasTexto(kUnc), (std::vector<std::string>{"08/12/26", "14:05:09", "fim"}));
    CriarArquivoTexto(kUnc);
    EXPECT_EQ(LerBytes(raiz_ / "Interfac03" / "x.txt"), "");
    fs::remove(raiz_ / "Interfac03" / "x.txt");
    EXPECT_FALSE(ArquivoExiste(kUnc));
}

// A file that a rename cannot replace (here a mount point, which makes it fail with
// EBUSY, as a cifs mount fails on a file held open) is written in place, and the
// temporary file goes.
TEST_F(MontagemReal, ArquivoQueORenameNaoSubstituiEGravadoNoLugar) {
    const auto pasta = raiz_ / "Interfac03";
    const auto preso = pasta / "preso.txt";
    // From outside the share: a bind mount shows its file system's source, and one of
    // the share's own would be taken for the share.
    PastaTemporaria fora;
    const auto origem = fora.Caminho() / "origem.txt";
    EscreverBytes(origem, "laudo anterior, mais longo\r\n");
    EscreverBytes(preso, "");
    ASSERT_EQ(mount(origem.c_str(), preso.c_str(), nullptr, MS_BIND, nullptr), 0);
    GravarArquivoTexto("\\\\SERVIDOR\\MAGNOLIA\\Interfac03\\preso.txt", {"novo"});
    EXPECT_EQ(LerBytes(preso), "novo\r\n");
    umount(preso.c_str());
    EXPECT_EQ(LerBytes(origem), "novo\r\n");
    std::vector<std::string> nomes;
    for (const auto& e : fs::directory_iterator(pasta))
        nomes.push_back(e.path().filename().string());
    EXPECT_EQ(nomes, std::vector<std::string>{"preso.txt"});
    fs::remove(preso);
}

// Outside the test namespace no such share is mounted.
TEST(SemMontagem, CaminhoUncFalhaNomeandoOCaminho) {
    if (!PastaDoCompartilhamento().empty())
        GTEST_SKIP() << "the test share is mounted here";
    if (PontoDeMontagem(LerBytes("/proc/self/mounts"), "SERVIDOR", "MAGNOLIA"))
        GTEST_SKIP() << "this machine mounts //SERVIDOR/MAGNOLIA itself";
    for (const char* unc : {kUnc, kUncMinusculo}) {
        try {
            CaminhoLocal(unc);
            ADD_FAILURE() << "no error for " << unc;
        } catch (const ErroEntradaSaida& e) {
            EXPECT_NE(std::string(e.what()).find(unc), std::string::npos) << e.what();
        }
        EXPECT_THROW(GravarArquivoTexto(unc, {"x"}), ErroEntradaSaida);
        EXPECT_THROW(LerLinhasTexto(unc), ErroEntradaSaida);
        EXPECT_FALSE(ArquivoExiste(unc));
    }
}

} // namespace
} // namespace tessela::teste
