// Bad settings files: binary garbage, every byte value in every kind of value, lines of
// 100 000 characters, missing, empty and unreadable files. The reader fills what it can
// or stops with a clear conversion error; it never crashes or hangs.

#include "common/erros.h"
#include "printing/paginas.h"
#include "settings/leitor.h"
#include "support/apoio.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <random>

namespace tessela {
namespace {

namespace fs = std::filesystem;
using teste::LinhaIni;

constexpr const char* kIp = "IP DO SERVIDOR CENTRAL.........................:";
constexpr const char* kTitulo = "TITULO CENTRAL DO LAUDO DO DO C.Q. PROD.PRONTOS:";
constexpr const char* kLinhas = "QUANTIDADE DE LINHAS POR PAGINA IMPRESSA OM....:";
constexpr const char* kCorFonte = "COR DO FONTE...................................:";
constexpr const char* kCorFundo = "COR DE FUNDO DAS TELAS.........................:";
constexpr const char* kCoeficiente = "COEFICIENTE VERTICAL IMPRESSORA................:";
constexpr const char* kPasta = "SALVAR ARQUIVO OM TXT NO DIRETORIO.............:";
constexpr const char* kNaoGerar = "NAO GERAR ARQ. TXT PARA ORDEM DE MANIPULACAO...:";

class ConfiguracoesRuins : public ::testing::Test {
protected:
    void MagnoliaBytes(std::string_view bytes) {
        teste::EscreverBytes(pasta.Caminho() / "MAGNOLIA.INI", bytes);
    }
    void Magnolia(const std::vector<std::string>& linhas) {
        std::string bytes;
        for (const auto& l : linhas)
            bytes += l + "\r\n";
        MagnoliaBytes(bytes);
    }
    // Reads the folder; the conversion error's text, or "" when the reading ended.
    std::string Ler(char separador = '.') {
        p = TParametros{};
        AplicarPredefinicoes(p);
        try {
            LerParametros(p, s, pasta.ComoPasta(), separador);
        } catch (const ErroConversao& e) {
            return e.what();
        }
        return {};
    }

    teste::PastaTemporaria pasta;
    TParametros p;
    TSessao s;
};

// Fields a reading always leaves sound, whatever the file held.
void EsperarCamposSaos(const TParametros& p) {
    EXPECT_FALSE(p.NomeBancoCentral.empty());
    EXPECT_LE(p.IPServidor.size(), 50u);
    EXPECT_LE(p.TituloCentralLaudo.size(), 48u);
    EXPECT_LE(p.NaoGerarTxtOM.size(), 3u);
    EXPECT_EQ(p.LinhasPorPagina.find(' '), std::string::npos);
}

TEST_F(ConfiguracoesRuins, LixoBinarioLidoSemQueda) {
    std::mt19937 gerador(20261208);
    for (int vez = 0; vez < 20; ++vez) {
        std::string lixo(64 * 1024, '\0');
        for (auto& c : lixo)
            c = static_cast<char>(gerador() % 256);
        // Line ends now and then, and a real key or two among the garbage.
        for (std::size_t i = 0; i + 1 < lixo.size(); i += 1 + gerador() % 300)
            lixo.replace(i, 2, "\r\n");
        lixo += "\r\n" + LinhaIni(kIp, "SERVIDOR") + "\r\n";
        MagnoliaBytes(lixo);
        const std::string erro = Ler();
        if (!erro.empty()) {
            EXPECT_EQ(erro.front(), '\'') << "attempt " << vez;
        }
        EsperarCamposSaos(p);
    }
}

TEST_F(ConfiguracoesRuins, CadaValorDeTodosOsBytes) {
    std::string todos;
    for (int b = 0; b < 256; ++b)
        if (b != '\n')
            todos += static_cast<char>(b);
    for (const char* rotulo :
         {kIp, kTitulo, kLinhas, kCorFonte, kCorFundo, kCoeficiente, kPasta, kNaoGerar}) {
        Magnolia({LinhaIni(rotulo, todos)});
        const std::string erro = Ler();
        EsperarCamposSaos(p);
        const bool numerico = rotulo == kCorFonte || rotulo == kCorFundo || rotulo == kCoeficiente;
        // The number keys reject the text and say which; the others keep it, cut.
        EXPECT_EQ(!erro.empty(), numerico) << rotulo << ": " << erro;
        if (numerico) {
            EXPECT_TRUE(erro.starts_with("'")) << erro;
        }
    }
    EXPECT_EQ(Ler(), "") << "the last file held a text key only";
    EXPECT_EQ(p.NaoGerarTxtOM, todos.substr(0, 3));
}

TEST_F(ConfiguracoesRuins, LinhasDeCemMilCaracteres) {
    const std::string longo(100000, 'A');
    const std::string digitos(100000, '9');
    Magnolia({longo, LinhaIni(kIp, longo), LinhaIni(kTitulo, longo), LinhaIni(kLinhas, digitos),
              LinhaIni(kNaoGerar, longo), LinhaIni(kPasta, longo + "\\")});
    EXPECT_EQ(Ler(), "");
    EXPECT_EQ(p.IPServidor, std::string(50, 'A'));
    EXPECT_EQ(p.TituloCentralLaudo, std::string(48, 'A'));
    EXPECT_EQ(p.LinhasPorPagina, "66"); // no 32-bit number: the fallback
    EXPECT_EQ(p.NaoGerarTxtOM, "AAA");
    EXPECT_EQ(p.DirSalvarOMTxt, std::string(60, 'A')); // the 60-column window

    // A number key: the error names the value, however long.
    Magnolia({LinhaIni(kCorFonte, digitos)});
    const std::string erro = Ler();
    EXPECT_EQ(erro, "'" + digitos + "' is not a valid integer value");
    EXPECT_EQ(p.NomeBancoCentral, "MAGNOLIA.BD");
}

TEST_F(ConfiguracoesRuins, ArquivoAusente) {
    try {
        Ler();
        FAIL() << "MAGNOLIA.INI is missing";
    } catch (const ErroMagnoliaIniAusente& e) {
        EXPECT_STREQ(e.what(), kMensagemMagnoliaIniAusente);
    }
    EXPECT_EQ(s.DirPrograma, pasta.ComoPasta());
    EXPECT_EQ(p.NomeBancoCentral, "MAGNOLIA.BD");
}

TEST_F(ConfiguracoesRuins, ArquivosVaziosOuSoComFimDeArquivo) {
    for (std::string_view conteudo :
         {std::string_view(""), std::string_view("\x1A"), std::string_view("\r\n\r\n"),
          std::string_view("\0\0\0", 3)}) {
        MagnoliaBytes(conteudo);
        teste::EscreverBytes(pasta.Caminho() / "CONFIGBD.INI", "");
        EXPECT_EQ(Ler(), "");
        EXPECT_EQ(p.IPServidor, "");
        EXPECT_EQ(p.NomeBancoCentral, "MAGNOLIA.BD");
        EXPECT_EQ(p.TempoEntreOMs, "3000");
        EXPECT_EQ(p.LinhasPorPagina, "0");
        EXPECT_EQ(p.FonteLaudo, "Consolas"); // the presets stay
    }
}

TEST_F(ConfiguracoesRuins, PastaNoLugarDoArquivoEErroDeLeitura) {
    fs::create_directory(pasta.Caminho() / "MAGNOLIA.INI");
    EXPECT_THROW(Ler(), ErroEntradaSaida);
    EXPECT_EQ(p.NomeBancoCentral, "MAGNOLIA.BD");
    fs::remove(pasta.Caminho() / "MAGNOLIA.INI");
    Magnolia({LinhaIni(kIp, "SERVIDOR")});
    fs::create_directory(pasta.Caminho() / "CONFIGBD.INI");
    EXPECT_THROW(Ler(), ErroEntradaSaida);
}

// The settings reader accepts a whole number in any form the file format allows
// ("$42", "x42", "0x42", "+66"); the print command reads the same text and must take
// it as the same number, or printing fails on a value the reader called valid.
TEST_F(ConfiguracoesRuins, LinhasPorPaginaValidaChegaAImpressao) {
    for (const auto& [valor, numero] : std::vector<std::pair<std::string, std::int32_t>>{
             {"66", 66}, {"+66", 66}, {"6 6", 66}, {"$42", 66}, {"x42", 66}, {"0x42", 66}}) {
        Magnolia({LinhaIni(kLinhas, valor)});
        ASSERT_EQ(Ler(), "");
        std::string guardado = valor;
        std::erase(guardado, ' ');
        ASSERT_EQ(p.LinhasPorPagina, guardado) << "a valid whole number, kept as text";
        try {
            EXPECT_EQ(ValorLinhasPorPagina(p.LinhasPorPagina), numero) << valor;
        } catch (const ErroConversao& e) {
            ADD_FAILURE() << valor << ": the reader kept \"" << p.LinhasPorPagina
                          << "\", the print command rejects it: " << e.what();
        }
    }
}

} // namespace
} // namespace tessela
