// The conversions, fallbacks, precedence, stops and line ends of the settings reader,
// through real files.

#include "leitura.h"

#include <clocale>
#include <cstdint>
#include <filesystem>
#include <optional>

namespace tessela::teste {
namespace {

constexpr const char* kCorDeFundo = "COR DE FUNDO DAS TELAS.........................:";  // trimmed
constexpr const char* kMargemGeral = "MARGEM ESQUERDA GERAL..........................:"; // to end
constexpr const char* kCoeficiente = "COEFICIENTE VERTICAL IMPRESSORA................:";
constexpr const char* kIp = "IP DO SERVIDOR CENTRAL.........................:";
constexpr const char* kBanco = "NOME DO BANCO DE DADOS CENTRAL.................:";
constexpr const char* kPasta = "NOME DO COMPARTILHAMENTO DA PASTA MAGNOLIA.....:";
constexpr const char* kTempo = "TEMPO EM MILISEGUNDOS ENTRE UMA OM E OUTRA.....:";
constexpr const char* kLinhas = "QUANTIDADE DE LINHAS POR PAGINA IMPRESSA OM....:";

std::string ErroInteiro(std::string_view t) {
    return "'" + std::string(t) + "' is not a valid integer value";
}
std::string ErroDecimal(std::string_view t) {
    return "'" + std::string(t) + "' is not a valid floating point value";
}

// ------------------------------------------------------------------ integers

struct CasoInteiro {
    std::string texto; // exactly from column 50
    std::optional<std::int32_t> valor;
};

// Tabs shown as \t keep the test names on one readable line.
std::string Visivel(std::string_view t) {
    std::string r;
    for (char c : t)
        r += c == '\t' ? std::string("\\t") : std::string(1, c);
    return r;
}

std::ostream& operator<<(std::ostream& os, const CasoInteiro& c) {
    return os << "'" << Visivel(c.texto) << "'";
}

const std::vector<CasoInteiro> kInteiros = {
    {"0", 0},
    {"42", 42},
    {"+42", 42},
    {"-42", -42},
    {"   42", 42},
    {"007", 7},
    {"2147483647", 2147483647},
    {"-2147483648", INT32_MIN},
    {"$1F", 31},
    {"$1f", 31},
    {"x1F", 31},
    {"X1f", 31},
    {"0x1F", 31},
    {"0X1f", 31},
    {"-$10", -16},
    {"+x10", 16},
    {"  0x7FFFFFFF", INT32_MAX},
    {"$80000000", INT32_MIN},
    {"$FFFFFFFF", -1},
    {"$FF00000F", static_cast<std::int32_t>(0xFF00000Fu)},
    {"$000000001", 1},
    // rejected
    {"", std::nullopt},
    {"   ", std::nullopt},
    {"42 ", std::nullopt},
    {"4 2", std::nullopt},
    {"2147483648", std::nullopt},
    {"-2147483649", std::nullopt},
    {"99999999999999999999999", std::nullopt},
    {"$100000000", std::nullopt},
    {"$", std::nullopt},
    {"x", std::nullopt},
    {"0x", std::nullopt},
    {"+", std::nullopt},
    {"-", std::nullopt},
    {"12a", std::nullopt},
    {"1.0", std::nullopt},
    {"- 5", std::nullopt},
    {"+-5", std::nullopt},
    {"$-5", std::nullopt},
    {"0x-5", std::nullopt},
    {"$G", std::nullopt},
    {"x 5", std::nullopt},
    {"\t5", std::nullopt},
    {"5\t", std::nullopt},
    {"0b101", std::nullopt},
};

class Inteiros : public Leitura, public ::testing::WithParamInterface<CasoInteiro> {};

// A key taken to the end of the line sees the text exactly as written.
TEST_P(Inteiros, ChaveAteOFim) {
    const auto& c = GetParam();
    Magnolia({LinhaIni(kMargemGeral, c.texto)});
    if (c.valor) {
        EXPECT_EQ(Ler().MargemEsquerdaGeral, *c.valor);
    } else {
        EXPECT_EQ(TextoDoErro<ErroConversao>([&] { Ler(); }), ErroInteiro(c.texto));
    }
}

INSTANTIATE_TEST_SUITE_P(Regra, Inteiros, ::testing::ValuesIn(kInteiros));

// A trimmed key sees the text without its blanks at both ends, so trailing blanks
// are fine there.
TEST_F(Leitura, InteiroDeChaveAparada) {
    const auto cor = [&](const std::string& valor) {
        Magnolia({LinhaIni(kCorDeFundo, valor)});
        return Ler().CorFundo;
    };
    EXPECT_EQ(cor("  42  "), 42);
    EXPECT_EQ(cor("42 "), 42);
    EXPECT_EQ(cor(" -$10 "), -16);
    const auto erro = [&](const std::string& valor) {
        Magnolia({LinhaIni(kCorDeFundo, valor)});
        return TextoDoErro<ErroConversao>([&] { Ler(); });
    };
    EXPECT_EQ(erro(""), ErroInteiro(""));
    EXPECT_EQ(erro("    "), ErroInteiro(""));
    EXPECT_EQ(erro(" 4 2 "), ErroInteiro("4 2"));
    EXPECT_EQ(erro(" 12a  "), ErroInteiro("12a"));
}

// ------------------------------------------------------------------ integers kept as text

struct CasoTextoInteiro {
    const char* rotulo;
    std::string valor;
    std::string esperado;
};

std::ostream& operator<<(std::ostream& os, const CasoTextoInteiro& c) {
    return os << std::string(c.rotulo, 12) << " '" << c.valor << "'";
}

class TextosInteiros : public Leitura, public ::testing::WithParamInterface<CasoTextoInteiro> {};

TEST_P(TextosInteiros, GuardaOTextoOuAReserva) {
    const auto& c = GetParam();
    Magnolia({LinhaIni(c.rotulo, c.valor)});
    const auto p = Ler();
    EXPECT_EQ(std::string_view(c.rotulo) == kTempo ? p.TempoEntreOMs : p.LinhasPorPagina,
              c.esperado);
}

INSTANTIATE_TEST_SUITE_P(
    Regra, TextosInteiros,
    ::testing::Values(
        CasoTextoInteiro{kTempo, " 1500 ", "1500"}, CasoTextoInteiro{kTempo, "$10", "$10"},
        CasoTextoInteiro{kTempo, "", "3000"}, CasoTextoInteiro{kTempo, "abc", "3000"},
        CasoTextoInteiro{kTempo, "1 500", "3000"}, CasoTextoInteiro{kTempo, "2147483648", "3000"},
        CasoTextoInteiro{kTempo, "0000000000000001x", "000000000000000"},
        CasoTextoInteiro{kLinhas, "6 6", "66"}, CasoTextoInteiro{kLinhas, " 7 2 ", "72"},
        CasoTextoInteiro{kLinhas, "-5", "-5"}, CasoTextoInteiro{kLinhas, "60x", "66"},
        CasoTextoInteiro{kLinhas, "abc", "66"}, CasoTextoInteiro{kLinhas, "", "66"},
        CasoTextoInteiro{kLinhas, "   ", "66"}));

TEST_F(Leitura, SemAChaveLinhasPorPaginaFicaZero) {
    Magnolia({LinhaIni(kPasta, "MAGNOLIA")});
    EXPECT_EQ(Ler().LinhasPorPagina, "0");
}

// ------------------------------------------------------------------ decimals

struct CasoDecimal {
    std::string valor;
    char separador;
    std::optional<double> esperado;
    std::string rejeitado = {}; // the text named by the error
};

std::ostream& operator<<(std::ostream& os, const CasoDecimal& c) {
    return os << "'" << c.valor << "' with '" << c.separador << "'";
}

const std::vector<CasoDecimal> kDecimais = {
    {"1.5", '.', 1.5},
    {"1,5", '.', 1.5},
    {"1.5", ',', 1.5},
    {"1,5", ',', 1.5},
    {"-0.25", '.', -0.25},
    {"+2", ',', 2.0},
    {"2E3", '.', 2000.0},
    {"1.5e-1", ',', 0.15},
    {"  1.5  ", '.', 1.5},
    {".5", '.', 0.5},
    {"3,", '.', 3.0},
    {"abc", '.', std::nullopt, "abc"},
    {"", ',', std::nullopt, ""},
    {"1.5.3", '.', std::nullopt, "1.5.3"},
    {"1,5.3", ',', std::nullopt, "1,5,3"},
    {"1,000.5", '.', std::nullopt, "1.000.5"},
    {"1 5", '.', std::nullopt, "1 5"},
    {"e5", '.', std::nullopt, "e5"},
    {"1e", '.', std::nullopt, "1e"},
    {"inf", '.', std::nullopt, "inf"},
    {"nan", '.', std::nullopt, "nan"},
    {"0x10", '.', std::nullopt, "0x10"},
    {"1e999", '.', std::nullopt, "1e999"},
};

class Decimais : public Leitura, public ::testing::WithParamInterface<CasoDecimal> {};

TEST_P(Decimais, ValorDecimalDaLinha) {
    const auto& c = GetParam();
    const auto linha = LinhaIni(kCoeficiente, c.valor);
    if (c.esperado) {
        EXPECT_DOUBLE_EQ(ValorDecimal(linha, c.separador), *c.esperado);
    } else {
        EXPECT_EQ(TextoDoErro<ErroConversao>([&] { ValorDecimal(linha, c.separador); }),
                  ErroDecimal(c.rejeitado));
    }
}

TEST_P(Decimais, PeloArquivo) {
    const auto& c = GetParam();
    Magnolia({LinhaIni(kCoeficiente, c.valor)});
    if (c.esperado) {
        EXPECT_DOUBLE_EQ(Ler(c.separador).CoeficienteVertical, *c.esperado);
    } else {
        EXPECT_EQ(TextoDoErro<ErroConversao>([&] { Ler(c.separador); }), ErroDecimal(c.rejeitado));
    }
}

INSTANTIATE_TEST_SUITE_P(Regra, Decimais, ::testing::ValuesIn(kDecimais));

TEST(ValorDecimal, LinhaCurtaTemValorVazio) {
    EXPECT_EQ(TextoDoErro<ErroConversao>([] { ValorDecimal("COEFICIENTE", '.'); }),
              ErroDecimal(""));
}

// Sets LC_NUMERIC for one test and puts the previous one back.
class LocalNumerico {
public:
    explicit LocalNumerico(const char* nome) : antes_(std::setlocale(LC_NUMERIC, nullptr)) {
        ok_ = std::setlocale(LC_NUMERIC, nome) != nullptr;
    }
    ~LocalNumerico() { std::setlocale(LC_NUMERIC, antes_.c_str()); }
    bool Ok() const { return ok_; }

private:
    std::string antes_;
    bool ok_ = false;
};

TEST(SeparadorDecimal, PontoNoLocalC) {
    LocalNumerico c("C");
    ASSERT_TRUE(c.Ok());
    EXPECT_EQ(SeparadorDecimalDoProcesso(), '.');
}

TEST(SeparadorDecimal, VirgulaNumLocalBrasileiro) {
    LocalNumerico br("pt_BR.UTF-8");
    if (!br.Ok())
        GTEST_SKIP() << "locale pt_BR.UTF-8 is not installed";
    EXPECT_EQ(SeparadorDecimalDoProcesso(), ',');
}

// ------------------------------------------------------------------ folder rule

TEST_F(Leitura, RegraDaPasta) {
    const auto pasta = [&](std::string valor) {
        Magnolia({LinhaIni("SALVAR ARQUIVO OM TXT NO DIRETORIO.............:", valor)});
        return Ler().DirSalvarOMTxt;
    };
    EXPECT_EQ(pasta("C:\\OM\\"), "C:\\OM");
    EXPECT_EQ(pasta("  C:\\MINHAS OMS\\ \\\\  "), "C:\\MINHAS OMS");
    EXPECT_EQ(pasta("\\\\SERVIDOR\\OM"), "\\\\SERVIDOR\\OM");
    EXPECT_EQ(pasta("     "), "");
    EXPECT_EQ(pasta("\\"), "");
}

// ------------------------------------------------------------------ precedence

TEST_F(Leitura, ConfigBdVemPrimeiro) {
    ConfigBd({LinhaIni(kIp, "CONFIG"), LinhaIni(kBanco, "CONFIG.BD")});
    Magnolia({LinhaIni(kIp, "MAGNOLIA"), LinhaIni(kBanco, "MAGNOLIA2.BD")});
    const auto p = Ler();
    EXPECT_EQ(p.IPServidor, "CONFIG");
    EXPECT_EQ(p.NomeBancoCentral, "CONFIG.BD");
}

TEST_F(Leitura, NoConfigBdAUltimaOcorrenciaVenceMesmoEmBranco) {
    ConfigBd({LinhaIni(kIp, "PRIMEIRO"), LinhaIni(kIp, "  "), LinhaIni(kBanco, "A.BD"),
              LinhaIni("nome do banco de dados central.................:", "B.BD")});
    Magnolia({LinhaIni(kIp, ""), LinhaIni(kIp, "DO MAGNOLIA"), LinhaIni(kIp, "SEGUNDO"),
              LinhaIni(kBanco, "MAGNOLIA2.BD")});
    const auto p = Ler();
    EXPECT_EQ(p.IPServidor, "DO MAGNOLIA");
    EXPECT_EQ(p.NomeBancoCentral, "B.BD");
}

TEST_F(Leitura, ConfigBdSoDaAsDuasChaves) {
    ConfigBd({LinhaIni(kPasta, "OUTRA"),
              LinhaIni("TIPO DE IMPRESSORA.............................:", ""),
              LinhaIni(kIp, std::string(55, 'I'))});
    Magnolia({LinhaIni(kPasta, "MAGNOLIA")});
    const auto p = Ler();
    EXPECT_EQ(p.PastaMagnolia, "MAGNOLIA");
    EXPECT_EQ(p.TipoImpressora, "");
    EXPECT_EQ(p.IPServidor, std::string(50, 'I'));
}

TEST_F(Leitura, NomeDoBancoDoMagnoliaOuAReserva) {
    Magnolia({LinhaIni(kPasta, "MAGNOLIA"), LinhaIni(kBanco, "   "), LinhaIni(kBanco, "CENTRAL.BD"),
              LinhaIni(kBanco, "OUTRO.BD")});
    EXPECT_EQ(Ler().NomeBancoCentral, "CENTRAL.BD");
    Magnolia({LinhaIni(kPasta, "MAGNOLIA")});
    EXPECT_EQ(Ler().NomeBancoCentral, "MAGNOLIA.BD");
}

TEST_F(Leitura, NoMagnoliaAUltimaOcorrenciaVence) {
    Magnolia({LinhaIni(kPasta, "PRIMEIRA"), LinhaIni(kPasta, "SEGUNDA"), LinhaIni(kCorDeFundo, "1"),
              LinhaIni(kCorDeFundo, "2"),
              LinhaIni("FONTE DO LAUDO.................................:", "Arial"),
              LinhaIni("FONTE DO LAUDO.................................:", "")});
    const auto p = Ler();
    EXPECT_EQ(p.PastaMagnolia, "SEGUNDA");
    EXPECT_EQ(p.CorFundo, 2);
    EXPECT_EQ(p.FonteLaudo, "");
}

TEST_F(Leitura, MagnoliaIniAusente) {
    ConfigBd({LinhaIni(kIp, "SERVIDOR")});
    EXPECT_EQ(TextoDoErro<ErroMagnoliaIniAusente>([&] { Ler(); }),
              "Arquivo MAGNOLIA.INI n\xE3o encontrado. Execute o programa Ordinata.exe para "
              "cri\xE1-lo.");
    EXPECT_EQ(sessao_.DirPrograma, pasta_.ComoPasta());
}

// ------------------------------------------------------------------ stops

struct CasoParada {
    std::string linha;
    std::string erro;
};

std::ostream& operator<<(std::ostream& os, const CasoParada& c) {
    return os << c.erro;
}

class Paradas : public Leitura, public ::testing::WithParamInterface<CasoParada> {};

TEST_P(Paradas, ErroParaALeituraNaquelaLinha) {
    const auto& c = GetParam();
    Magnolia({LinhaIni(kPasta, "MAGNOLIA"), LinhaIni(kIp, "SERVIDOR"), c.linha,
              LinhaIni("FONTE DO LAUDO.................................:", "Arial"),
              LinhaIni(kBanco, "DEPOIS.BD"), LinhaIni(kLinhas, "60")});
    auto p = Predefinidos();
    EXPECT_EQ(TextoDoErro<ErroConversao>([&] { Ler(p, ','); }), c.erro);
    EXPECT_EQ(p.PastaMagnolia, "MAGNOLIA");
    EXPECT_EQ(p.IPServidor, "SERVIDOR");
    EXPECT_EQ(p.FonteLaudo, "Consolas");
    EXPECT_EQ(p.LinhasPorPagina, "0");
    EXPECT_EQ(p.NomeBancoCentral, "MAGNOLIA.BD");
}

INSTANTIATE_TEST_SUITE_P(
    Regra, Paradas,
    ::testing::Values(
        CasoParada{LinhaIni("TAMANHO DO FONTE DO CORPO......................:", "dez"),
                   "'dez' is not a valid integer value"},
        CasoParada{LinhaIni("COR DO FONTE...................................:", "255 "),
                   "'255 ' is not a valid integer value"},
        CasoParada{LinhaIni("tamanho da fonte do laudo......................:", " 8,5 "),
                   "'8,5' is not a valid integer value"},
        CasoParada{LinhaIni(kCoeficiente, "um e meio"),
                   "'um e meio' is not a valid floating point value"}));

TEST_F(Leitura, ParadaGuardaONomeDoBancoDoConfigBd) {
    ConfigBd({LinhaIni(kBanco, "CONFIG.BD")});
    Magnolia({LinhaIni(kCorDeFundo, "azul")});
    auto p = Predefinidos();
    EXPECT_THROW(Ler(p), ErroConversao);
    EXPECT_EQ(p.NomeBancoCentral, "CONFIG.BD");
}

// A folder where a file should be: it exists but cannot be read.
TEST_F(Leitura, MagnoliaIniIlegivel) {
    ConfigBd({LinhaIni(kIp, "SERVIDOR")});
    std::filesystem::create_directory(pasta_.Caminho() / "MAGNOLIA.INI");
    auto p = Predefinidos();
    EXPECT_THROW(Ler(p), ErroEntradaSaida);
    EXPECT_EQ(p.IPServidor, "SERVIDOR");
    EXPECT_EQ(p.NomeBancoCentral, "MAGNOLIA.BD");
}

TEST_F(Leitura, ConfigBdIlegivel) {
    std::filesystem::create_directory(pasta_.Caminho() / "CONFIGBD.INI");
    Magnolia({LinhaIni(kPasta, "MAGNOLIA")});
    auto p = Predefinidos();
    const auto texto = TextoDoErro<ErroEntradaSaida>([&] { Ler(p); });
    EXPECT_NE(texto.find("CONFIGBD.INI"), std::string::npos) << texto;
    EXPECT_EQ(p.PastaMagnolia, "");
    EXPECT_EQ(p.NomeBancoCentral, "MAGNOLIA.BD");
}

// ------------------------------------------------------------------ line ends

TEST_F(Leitura, LinhasTerminadasSoComLf) {
    Magnolia({LinhaIni(kPasta, "MAGNOLIA"), LinhaIni(kCorDeFundo, "12"), LinhaIni(kLinhas, "60")},
             "\n");
    const auto p = Ler();
    EXPECT_EQ(p.PastaMagnolia, "MAGNOLIA");
    EXPECT_EQ(p.CorFundo, 12);
    EXPECT_EQ(p.LinhasPorPagina, "60");
}

TEST_F(Leitura, FinaisMisturadosEUltimaLinhaSemFinal) {
    EscreverBytes(pasta_.Caminho() / "MAGNOLIA.INI", LinhaIni(kPasta, "MAGNOLIA") + "\n" +
                                                         LinhaIni(kIp, "SERVIDOR") + "\r\n" +
                                                         LinhaIni(kLinhas, "60"));
    const auto p = Ler();
    EXPECT_EQ(p.PastaMagnolia, "MAGNOLIA");
    EXPECT_EQ(p.IPServidor, "SERVIDOR");
    EXPECT_EQ(p.LinhasPorPagina, "60");
}

// A lone CR does not end a line, so the key after it is part of the first value.
TEST_F(Leitura, CrSozinhoNaoTerminaLinha) {
    EscreverBytes(pasta_.Caminho() / "MAGNOLIA.INI",
                  LinhaIni(kLinhas, "60") + "\r" + LinhaIni(kPasta, "MAGNOLIA") + "\r\n");
    const auto p = Ler();
    EXPECT_EQ(p.PastaMagnolia, "");
    EXPECT_EQ(p.LinhasPorPagina, "66");
}

// 0x1A is an ordinary character: the lines after it are still read.
TEST_F(Leitura, FimDeArquivoDosNaoTerminaOArquivo) {
    EscreverBytes(pasta_.Caminho() / "MAGNOLIA.INI", LinhaIni(kIp, "SERVIDOR") + "\r\n\x1A\r\n" +
                                                         LinhaIni(kPasta, "MAGNOLIA") + "\r\n");
    const auto p = Ler();
    EXPECT_EQ(p.IPServidor, "SERVIDOR");
    EXPECT_EQ(p.PastaMagnolia, "MAGNOLIA");
}

} // namespace
} // namespace tessela::teste
