// The default line of the user's lpoptions, changed by the program itself for a print and
// given back: every other setting of the user, and whatever changed meanwhile, must come
// through unchanged. The files are real, in a HOME of each test's own.

#include "printing/lpoptions.h"
#include "printing/selecao.h"
#include "printing/sistema_cups.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace tessela {
namespace {

namespace fs = std::filesystem;

TEST(ComPadrao, SoALinhaDoPadraoMuda) {
    // The new default keeps its options; the old one keeps its own, as a Dest line.
    EXPECT_EQ(ComPadrao("Default Bruta sides=one-sided\nDest PDF_Laudo media=A4\n", "PDF_Laudo"),
              "Dest Bruta sides=one-sided\nDefault PDF_Laudo media=A4\n");
    // A Default line with nothing else to say goes; the new one is added at the end.
    EXPECT_EQ(ComPadrao("Default Bruta\nDest Laudo media=A4\n", "PDF_Laudo"),
              "Dest Laudo media=A4\nDefault PDF_Laudo\n");
    // No file yet, or one without an end at its last line.
    EXPECT_EQ(ComPadrao("", "Laudo"), "Default Laudo\n");
    EXPECT_EQ(ComPadrao("Dest Laudo copies=2", "Laudo"), "Default Laudo copies=2\n");
}

TEST(ComPadrao, InstanciasELinhasAlheiasFicamComoEstao) {
    // An instance is another destination; names match as CUPS matches them (a to z).
    EXPECT_EQ(ComPadrao("Default laudo/rascunho\n# nota\ndest LAUDO media=A4\n", "Laudo"),
              "Dest laudo/rascunho\n# nota\nDefault LAUDO media=A4\n");
}

// A HOME of the test's own, removed at its end.
class LpoptionsEmDisco : public ::testing::Test {
protected:
    fs::path casa;
    fs::path pasta;   // ~/.cups
    fs::path arquivo; // ~/.cups/lpoptions

    void SetUp() override {
        std::string modelo = (fs::temp_directory_path() / "tessela-lpoptions.XXXXXX").string();
        ASSERT_NE(mkdtemp(modelo.data()), nullptr);
        casa = modelo;
        pasta = casa / ".cups";
        arquivo = pasta / "lpoptions";
        if (const char* home = std::getenv("HOME"))
            homeAntes_ = home;
        setenv("HOME", casa.c_str(), 1);
    }

    void TearDown() override {
        setenv("HOME", homeAntes_.c_str(), 1);
        std::error_code ec;
        fs::remove_all(casa, ec);
    }

    static void Escrever(const fs::path& f, const std::string& bytes) {
        std::ofstream(f, std::ios::binary) << bytes;
    }

    static std::string Ler(const fs::path& f) {
        std::ifstream entrada(f, std::ios::binary);
        EXPECT_TRUE(entrada) << f;
        return std::string(std::istreambuf_iterator<char>(entrada), {});
    }

    static struct stat Dados(const fs::path& f) {
        struct stat dados {};
        EXPECT_EQ(lstat(f.c_str(), &dados), 0) << f;
        return dados;
    }

    // What a folder holds: no temporary file may be left beside the one replaced.
    static std::set<std::string> Nomes(const fs::path& p) {
        std::set<std::string> nomes;
        for (const auto& e : fs::directory_iterator(p))
            nomes.insert(e.path().filename().string());
        return nomes;
    }

private:
    std::string homeAntes_;
};

TEST_F(LpoptionsEmDisco, NadaMaisMudouVoltaByteAByteComOModo) {
    fs::create_directory(pasta);
    // The last line has no end; the program's own would have one.
    const std::string antes = "Default Bruta sides=one-sided\n# nota\n"
                              "Dest PDF_Laudo media=A4\nDest Laudo copies=2";
    Escrever(arquivo, antes);
    ASSERT_EQ(chmod(arquivo.c_str(), 0640), 0);

    const auto mudanca = GravarPadraoNoLpoptions("PDF_Laudo");
    EXPECT_EQ(Ler(arquivo), "Dest Bruta sides=one-sided\n# nota\n"
                            "Default PDF_Laudo media=A4\nDest Laudo copies=2\n");
    EXPECT_EQ(Dados(arquivo).st_mode & 07777, 0640u);

    DevolverPadraoAoLpoptions(mudanca);
    EXPECT_EQ(Ler(arquivo), antes);
    EXPECT_EQ(Dados(arquivo).st_mode & 07777, 0640u);
    EXPECT_EQ(Nomes(pasta), std::set<std::string>{"lpoptions"});
}

TEST_F(LpoptionsEmDisco, OQueMudouNoMeioFica) {
    fs::create_directory(pasta);
    // Bruta, the default, had options: it became a Dest line, to which the user gives
    // others; Laudo gets options of its own.
    Escrever(arquivo, "Default Bruta sides=one-sided\nDest PDF_Laudo media=A4\n");
    auto mudanca = GravarPadraoNoLpoptions("PDF_Laudo");
    Escrever(arquivo, "Dest Bruta sides=two-sided-long-edge\nDefault PDF_Laudo media=A4\n"
                      "Dest Laudo copies=2\n");
    DevolverPadraoAoLpoptions(mudanca);
    EXPECT_EQ(Ler(arquivo), "Default Bruta sides=two-sided-long-edge\nDest PDF_Laudo media=A4\n"
                            "Dest Laudo copies=2\n");

    // Bruta had none: its line went, and comes back where it was; the line added
    // meanwhile stays.
    Escrever(arquivo, "Default Bruta\nDest Laudo media=A4\n");
    mudanca = GravarPadraoNoLpoptions("PDF_Laudo");
    EXPECT_EQ(Ler(arquivo), "Dest Laudo media=A4\nDefault PDF_Laudo\n");
    Escrever(arquivo, "Dest Laudo media=A4\nDefault PDF_Laudo\nDest Laudo_Sala copies=3\n");
    DevolverPadraoAoLpoptions(mudanca);
    EXPECT_EQ(Ler(arquivo), "Default Bruta\nDest Laudo media=A4\nDest Laudo_Sala copies=3\n");
}

TEST_F(LpoptionsEmDisco, PadraoOuOpcoesEscolhidosNoMeioFicam) {
    fs::create_directory(pasta);
    // As lpoptions -d Laudo and lpoptions -o sides=... leave the file during the print.
    for (const std::string escolha :
         {"Dest Bruta sides=one-sided\nDefault Laudo\nDest PDF_Laudo media=A4\n",
          "Dest Bruta sides=one-sided\nDefault PDF_Laudo media=A4 sides=two-sided-long-edge\n"}) {
        Escrever(arquivo, "Default Bruta sides=one-sided\nDest PDF_Laudo media=A4\n");
        const auto mudanca = GravarPadraoNoLpoptions("PDF_Laudo");
        Escrever(arquivo, escolha);
        DevolverPadraoAoLpoptions(mudanca);
        EXPECT_EQ(Ler(arquivo), escolha);
    }
}

// Two windows of one user print at once: the first makes PDF_Laudo the default and waits
// at its box after page 1; the second prints, its default before being PDF_Laudo; then
// they end, in either order. Through the loan that graphic printing takes, on the print
// system whose default-printer operations touch the user's file alone.
TEST_F(LpoptionsEmDisco, DuasImpressoesIntercaladasDevolvemOPadraoDeAntes) {
    fs::create_directory(pasta);
    const std::string antes = "Default Bruta\nDest Laudo media=A4\n";
    const std::vector<std::string> instaladas = {"Bruta", "Laudo", "PDF_Laudo"};
    SistemaCups cups;
    for (const bool primeiraAcabaAntes : {true, false}) {
        Escrever(arquivo, antes);
        PadraoEmprestado primeira(cups, nullptr, true);
        primeira.Definir(instaladas, "PDF_Laudo");
        PadraoEmprestado segunda(cups, nullptr, true);
        segunda.Definir(instaladas, "PDF_Laudo");
        EXPECT_EQ(Ler(arquivo), "Dest Laudo media=A4\nDefault PDF_Laudo\n");
        if (primeiraAcabaAntes) {
            primeira.Devolver();
            segunda.Devolver();
        } else {
            segunda.Devolver();
            primeira.Devolver();
        }
        EXPECT_EQ(Ler(arquivo), antes) << "first ends first: " << primeiraAcabaAntes;
    }
}

TEST_F(LpoptionsEmDisco, LinkFicaLinkEOAlvoEGravado) {
    // ~/.cups/lpoptions -> ../perfil/lpoptions -> CASA/dados/lpoptions
    fs::create_directory(pasta);
    fs::create_directory(casa / "perfil");
    fs::create_directory(casa / "dados");
    const fs::path alvo = casa / "dados" / "lpoptions";
    Escrever(alvo, "Default Bruta\n");
    ASSERT_EQ(chmod(alvo.c_str(), 0600), 0);
    fs::create_symlink(alvo, casa / "perfil" / "lpoptions");
    fs::create_symlink("../perfil/lpoptions", arquivo);

    const auto mudanca = GravarPadraoNoLpoptions("PDF_Laudo");
    EXPECT_EQ(Ler(alvo), "Default PDF_Laudo\n");
    DevolverPadraoAoLpoptions(mudanca);
    EXPECT_EQ(Ler(alvo), "Default Bruta\n");

    EXPECT_EQ(fs::read_symlink(arquivo), "../perfil/lpoptions");
    EXPECT_EQ(fs::read_symlink(casa / "perfil" / "lpoptions"), alvo);
    EXPECT_EQ(Dados(alvo).st_mode & 07777, 0600u);
    EXPECT_EQ(Nomes(pasta), std::set<std::string>{"lpoptions"});
    EXPECT_EQ(Nomes(casa / "dados"), std::set<std::string>{"lpoptions"});
}

TEST_F(LpoptionsEmDisco, SemPastaCupsElaECriadaERemovida) {
    auto mudanca = GravarPadraoNoLpoptions("PDF_Laudo");
    EXPECT_EQ(Ler(arquivo), "Default PDF_Laudo\n");
    EXPECT_EQ(Dados(pasta).st_mode & 07777, 0700u);
    DevolverPadraoAoLpoptions(mudanca);
    EXPECT_FALSE(fs::exists(fs::symlink_status(pasta)));

    // Something else went into the folder meanwhile: the folder stays, with it.
    mudanca = GravarPadraoNoLpoptions("PDF_Laudo");
    Escrever(pasta / "client.conf", "ServerName 127.0.0.1\n");
    DevolverPadraoAoLpoptions(mudanca);
    EXPECT_EQ(Nomes(pasta), std::set<std::string>{"client.conf"});

    // A folder that was there before stays, even empty.
    fs::remove(pasta / "client.conf");
    mudanca = GravarPadraoNoLpoptions("PDF_Laudo");
    DevolverPadraoAoLpoptions(mudanca);
    EXPECT_TRUE(fs::is_directory(pasta));
    EXPECT_TRUE(Nomes(pasta).empty());
}

// su without -: root runs with the user's HOME.
TEST_F(LpoptionsEmDisco, RootComACasaDeOutroUsuarioDeixaTudoComOUsuario) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root";
    constexpr uid_t kUsuario = 65534;
    constexpr gid_t kGrupo = 65534;
    ASSERT_EQ(chown(casa.c_str(), kUsuario, kGrupo), 0);

    auto mudanca = GravarPadraoNoLpoptions("PDF_Laudo");
    for (const auto& criado : {pasta, arquivo}) {
        EXPECT_EQ(Dados(criado).st_uid, kUsuario) << criado;
        EXPECT_EQ(Dados(criado).st_gid, kGrupo) << criado;
    }
    DevolverPadraoAoLpoptions(mudanca);
    EXPECT_FALSE(fs::exists(fs::symlink_status(pasta)));

    // The user's own file keeps its owner and mode, while lent and after.
    fs::create_directory(pasta);
    Escrever(arquivo, "Default Bruta\n");
    ASSERT_EQ(chown(pasta.c_str(), kUsuario, kGrupo), 0);
    ASSERT_EQ(chown(arquivo.c_str(), kUsuario, kGrupo), 0);
    ASSERT_EQ(chmod(arquivo.c_str(), 0600), 0);
    mudanca = GravarPadraoNoLpoptions("PDF_Laudo");
    EXPECT_EQ(Dados(arquivo).st_uid, kUsuario);
    EXPECT_EQ(Dados(arquivo).st_mode & 07777, 0600u);
    DevolverPadraoAoLpoptions(mudanca);
    EXPECT_EQ(Ler(arquivo), "Default Bruta\n");
    EXPECT_EQ(Dados(arquivo).st_uid, kUsuario);
    EXPECT_EQ(Dados(arquivo).st_gid, kGrupo);
    EXPECT_EQ(Dados(arquivo).st_mode & 07777, 0600u);
}

} // namespace
} // namespace tessela
