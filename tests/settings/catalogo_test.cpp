// Every key of MAGNOLIA.INI through a real file: its field, how the value is taken,
// widths and windows, labels in lower case.

#include "leitura.h"

#include <cstdio>

namespace tessela::teste {
namespace {

std::string ComoTexto(const std::string& v) {
    return v;
}
std::string ComoTexto(std::int32_t v) {
    return std::to_string(v);
}
std::string ComoTexto(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

using Campo = std::string (*)(const TParametros&);
#define CAMPO(f) [](const TParametros& p) { return ComoTexto(p.f); }

struct CasoChave {
    const char* nome;
    const char* rotulo;
    bool exata;
    std::string valor; // from column 50
    Campo campo;
    std::string esperado;
    std::size_t largura; // what a text field keeps of a long value; 0: not a text field
};

std::ostream& operator<<(std::ostream& os, const CasoChave& c) {
    return os << c.nome;
}

// clang-format off
const std::vector<CasoChave> kChaves = {
    {"IPServidor", "IP DO SERVIDOR CENTRAL.........................:", false, "  SERVIDOR  ", CAMPO(IPServidor), "SERVIDOR", 50},
    {"NomeBancoCentral", "NOME DO BANCO DE DADOS CENTRAL.................:", false, " OUTRO.BD ", CAMPO(NomeBancoCentral), "OUTRO.BD", 60},
    {"TipoUsuario", "TIPO DE USUARIO DO SISTEMA.....................:", true, " industria ", CAMPO(TipoUsuario), "INDUSTRIA", 15},
    {"MostrarValidade", "MOSTRAR OU NAO MOSTRAR A VALIDADE DA FORMULA...:", true, "sim", CAMPO(MostrarValidade), "SIM", 15},
    {"FormaValidade", "FORMA DE DEFINIR A VALIDADE DA FORMULA.........:", true, "pela fabrica\xE7\xE3o", CAMPO(FormaValidade), "PELA FABRICA\xE7\xE3O", 60},
    {"TempoEntreOMs", "TEMPO EM MILISEGUNDOS ENTRE UMA OM E OUTRA.....:", false, " 2500 ", CAMPO(TempoEntreOMs), "2500", 0},
    {"DirSalvarOMTxt", "SALVAR ARQUIVO OM TXT NO DIRETORIO.............:", false, " C:\\OM TXT\\ \\\\  ", CAMPO(DirSalvarOMTxt), "C:\\OM TXT", 60},
    {"IPEstacaoUsuario", "IP DA ESTACAO DO USUARIO.......................:", false, "192.168.0.10", CAMPO(IPEstacaoUsuario), "192.168.0.10", 40},
    {"PastaMagnolia", "NOME DO COMPARTILHAMENTO DA PASTA MAGNOLIA.....:", false, " Magnolia ", CAMPO(PastaMagnolia), "Magnolia", 60},
    {"CorFundo", "COR DE FUNDO DAS TELAS.........................:", false, " 12632256 ", CAMPO(CorFundo), "12632256", 0},
    {"LogAtividades", "LOG DE ATIVIDADES..............................:", false, "SIM", CAMPO(LogAtividades), "SIM", 3},
    {"LarguraOM", "LARGURA DA OM (QDE TRACOS).....................:", false, "80", CAMPO(LarguraOM), "80", 60},
    {"MargemEsquerdaLaudo", "MARGEM ESQUERDA DO LAUDO.......................:", false, "3", CAMPO(MargemEsquerdaLaudo), "3", 60},
    {"AlturaPaginaOM", "ALTURA DA PAGINA DA OM.........................:", false, "72", CAMPO(AlturaPaginaOM), "66", 0},
    {"MargemSuperiorLaudo", "MARGEM SUPERIOR DO LAUDO.......................:", false, "9", CAMPO(MargemSuperiorLaudo), "0", 0},
    {"SaltoFinalOM", "SALTO FINAL APOS IMPRESSAO DA OM...............:", false, "S", CAMPO(SaltoFinalOM), "S", 60},
    {"ModeloOM", "MODELO DA OM...................................:", false, "A4", CAMPO(ModeloOM), "A5", 0},
    {"TipoImpressora", "TIPO DE IMPRESSORA.............................:", false, "Texto", CAMPO(TipoImpressora), "Grafica", 0},
    {"FecharDialogoAposImpressao", "FECHAR CAIXA DE DIALOGO APOS IMPRESSAO DA OM...:", false, "S", CAMPO(FecharDialogoAposImpressao), "S", 60},
    {"TracoFinalOM", "IMPRIME UM TRACO HORIZONTAL NO FINAL DA OM.....:", false, "N", CAMPO(TracoFinalOM), "N", 60},
    {"UsaParamCQ", "UTILIZA PARAM DE CONTROLE DE QUALIDADE NA OM...:", false, "sim", CAMPO(UsaParamCQ), "sim", 60},
    {"FazerLaudoAnalise", "FAZER LAUDO DE ANALISE DO CONTROLE DE QUALIDADE:", false, "S", CAMPO(FazerLaudoAnalise), "S", 60},
    {"TituloCentralLaudo", "TITULO CENTRAL DO LAUDO DO DO C.Q. PROD.PRONTOS:", false, " MATERIAS-PRIMAS ", CAMPO(TituloCentralLaudo), "MATERIAS-PRIMAS", 48},
    {"LinhasPorPagina", "QUANTIDADE DE LINHAS POR PAGINA IMPRESSA OM....:", false, " 6 0 ", CAMPO(LinhasPorPagina), "60", 0},
    {"NaoGerarTxtOM", "NAO GERAR ARQ. TXT PARA ORDEM DE MANIPULACAO...:", false, "SIMNAO", CAMPO(NaoGerarTxtOM), "SIM", 3},
    {"CorFonte", "COR DO FONTE...................................:", false, "  255", CAMPO(CorFonte), "255", 0},
    {"MargemEsquerdaGeral", "MARGEM ESQUERDA GERAL..........................:", false, "-3", CAMPO(MargemEsquerdaGeral), "-3", 0},
    {"TipoDAV", "TIPO DE DAV....................................:", false, "ORCAMENTO", CAMPO(TipoDAV), "ORCAMENTO", 20},
    {"ModeloDAV", "MODELO DO DAV..................................:", false, "M1", CAMPO(ModeloDAV), "M1", 20},
    {"CoeficienteVertical", "COEFICIENTE VERTICAL IMPRESSORA................:", false, "1.5", CAMPO(CoeficienteVertical), "1.5", 0},
    {"QdeCopias", "QDE DE COPIAS..................................:", false, "3", CAMPO(QdeCopias), "1", 0},
    {"FonteCabecalho", "FONTE DO CABECALHO.............................:", false, "Arial", CAMPO(FonteCabecalho), "Arial", 30},
    {"TamanhoFonteCabecalho", "TAMANHO DO FONTE DO CABECALHO..................:", false, "10", CAMPO(TamanhoFonteCabecalho), "10", 0},
    {"MargemSuperiorCabecalho", "MARGEM SUPERIOR DO CABECALHO...................:", false, "11", CAMPO(MargemSuperiorCabecalho), "11", 0},
    {"MargemEsquerdaCabecalho", "MARGEM ESQUERDA DO CABECALHO...................:", false, "12", CAMPO(MargemEsquerdaCabecalho), "12", 0},
    {"EntrelinhamentoCabecalho", "ENTRELINHAMENTO DO CABECALHO...................:", false, "13", CAMPO(EntrelinhamentoCabecalho), "13", 0},
    {"MargemSupSegundoCabecalho", "MARGEM SUP. DO SEGUNDO CABECALHO...............:", false, "14", CAMPO(MargemSupSegundoCabecalho), "14", 0},
    {"FonteCorpo", "FONTE DO CORPO.................................:", false, "Courier New", CAMPO(FonteCorpo), "Courier New", 30},
    {"TamanhoFonteCorpo", "TAMANHO DO FONTE DO CORPO......................:", false, "15", CAMPO(TamanhoFonteCorpo), "15", 0},
    {"MargemSuperiorCorpo", "MARGEM SUPERIOR DO CORPO.......................:", false, "16", CAMPO(MargemSuperiorCorpo), "16", 0},
    {"EntrelinhamentoCorpo", "ENTRELINHAMENTO DO CORPO.......................:", false, "17", CAMPO(EntrelinhamentoCorpo), "17", 0},
    {"Logomarca", "LOGOMARCA DA EMPRESA...........................:", false, " C:\\logo.bmp ", CAMPO(Logomarca), "C:\\logo.bmp", 60},
    {"MargemEsquerdaLogomarca", "MARGEM ESQUERDA DA LOGOMARCA...................:", false, "18", CAMPO(MargemEsquerdaLogomarca), "18", 0},
    {"MargemSuperiorLogomarca", "MARGEM SUPERIOR DA LOGOMARCA...................:", false, "19", CAMPO(MargemSuperiorLogomarca), "19", 0},
    {"MargemSuperiorSegundaLogomarca", "MARGEM SUPERIOR DA SEGUNDA LOGOMARCA...........:", false, "$14", CAMPO(MargemSuperiorSegundaLogomarca), "20", 0},
    {"FonteLaudo", "FONTE DO LAUDO.................................:", false, "Lucida Console", CAMPO(FonteLaudo), "Lucida Console", 30},
    {"TamanhoFonteLaudo", "TAMANHO DA FONTE DO LAUDO......................:", false, "9", CAMPO(TamanhoFonteLaudo), "9", 0},
    {"EntrelinhamentoLaudo", "ENTRELINHAMENTO DO LAUDO.......................:", false, "18", CAMPO(EntrelinhamentoLaudo), "18", 0},
};
// clang-format on

std::string MinusculasAZ(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return r;
}

// What the reader leaves when the file gives no key: the presets, the start values
// of the reading and the database name's fallback.
TParametros SemChaves() {
    auto p = Predefinidos();
    p.TempoEntreOMs = "3000";
    p.LinhasPorPagina = "0";
    p.NomeBancoCentral = "MAGNOLIA.BD";
    return p;
}

// Every field but the one of `exceto` holds what it holds without keys.
void OutrosCamposIntactos(const TParametros& p, const char* exceto) {
    const auto base = SemChaves();
    for (const auto& c : kChaves)
        if (std::string_view(c.nome) != exceto) {
            EXPECT_EQ(c.campo(p), c.campo(base)) << c.nome << " changed by " << exceto;
        }
}

class CadaChave : public Leitura, public ::testing::WithParamInterface<CasoChave> {};

TEST_P(CadaChave, GuardaSeuValorNoSeuCampo) {
    const auto& c = GetParam();
    Magnolia({LinhaIni(c.rotulo, c.valor)});
    const auto p = Ler();
    EXPECT_EQ(c.campo(p), c.esperado);
    OutrosCamposIntactos(p, c.nome);
}

TEST_P(CadaChave, RotuloEmMinusculasSoNaoServeParaAsTresExatas) {
    const auto& c = GetParam();
    Magnolia({LinhaIni(MinusculasAZ(c.rotulo), c.valor)});
    const auto p = Ler();
    EXPECT_EQ(c.campo(p), c.exata ? c.campo(SemChaves()) : c.esperado);
}

TEST_P(CadaChave, RotuloComUmaLetraTrocadaNaoCasa) {
    const auto& c = GetParam();
    std::string rotulo = c.rotulo;
    rotulo[1] = rotulo[1] == 'Q' ? 'R' : 'Q';
    Magnolia({LinhaIni(rotulo, c.valor)});
    EXPECT_EQ(c.campo(Ler()), c.campo(SemChaves()));
}

INSTANTIATE_TEST_SUITE_P(Catalogo, CadaChave, ::testing::ValuesIn(kChaves),
                         [](const auto& info) { return std::string(info.param.nome); });

TEST_F(Leitura, TodasAsChavesNumSoArquivo) {
    std::vector<std::string> linhas;
    for (const auto& c : kChaves)
        linhas.push_back(LinhaIni(c.rotulo, c.valor));
    Magnolia(linhas);
    const auto p = Ler();
    for (const auto& c : kChaves)
        EXPECT_EQ(c.campo(p), c.esperado) << c.nome;
}

TEST_F(Leitura, SoLinhasDesconhecidasDeixamOsValoresIniciais) {
    Magnolia({
        "",
        "; comentario",
        "CAMINHO DO PROGRAMA DE ESTOQUE.................: C:\\ESTOQUE",
        std::string("IP DO SERVIDOR CENTRAL.........................").append(30, ' '),
        " IP DO SERVIDOR CENTRAL........................: SERVIDOR",
    });
    const auto p = Ler();
    const auto esperado = SemChaves();
    for (const auto& c : kChaves)
        EXPECT_EQ(c.campo(p), c.campo(esperado)) << c.nome;
    EXPECT_EQ(p.TempoEntreOMs, "3000");
    EXPECT_EQ(p.LinhasPorPagina, "0");
    EXPECT_EQ(p.NomeBancoCentral, "MAGNOLIA.BD");
    EXPECT_EQ(p.TipoImpressora, "");
    EXPECT_EQ(p.MargemEsquerdaLaudo, "5");
    EXPECT_EQ(p.FonteLaudo, "Consolas");
    EXPECT_EQ(p.TamanhoFonteLaudo, 8);
    EXPECT_EQ(p.EntrelinhamentoLaudo, 16);
}

TEST_F(Leitura, ALeituraReiniciaSoOsCamposQueLheCabem) {
    auto p = Predefinidos();
    p.IPServidor = "ANTIGO";
    p.NomeBancoCentral = "ANTIGO.BD";
    p.DirSalvarOMTxt = "C:\\ANTIGO";
    p.TempoEntreOMs = "1";
    p.LinhasPorPagina = "5";
    p.PastaMagnolia = "MANTIDA";
    p.CorFonte = 7;
    Magnolia({"; nada"});
    Ler(p);
    EXPECT_EQ(p.IPServidor, "");
    EXPECT_EQ(p.NomeBancoCentral, "MAGNOLIA.BD");
    EXPECT_EQ(p.DirSalvarOMTxt, "");
    EXPECT_EQ(p.TempoEntreOMs, "3000");
    EXPECT_EQ(p.LinhasPorPagina, "0");
    EXPECT_EQ(p.PastaMagnolia, "MANTIDA");
    EXPECT_EQ(p.CorFonte, 7);
}

TEST_F(Leitura, DirProgramaTemBarraFinal) {
    Magnolia({});
    TParametros p;
    LerParametros(p, sessao_, pasta_.Caminho().string(), '.');
    EXPECT_EQ(sessao_.DirPrograma, pasta_.ComoPasta());
    LerParametros(p, sessao_, pasta_.ComoPasta(), '.');
    EXPECT_EQ(sessao_.DirPrograma, pasta_.ComoPasta());
}

// ------------------------------------------------------------------ widths

std::string Letras(std::size_t n) {
    std::string r;
    for (std::size_t i = 0; i < n; ++i)
        r += static_cast<char>('A' + i % 26);
    return r;
}

class Larguras : public Leitura, public ::testing::WithParamInterface<CasoChave> {};

TEST_P(Larguras, ValorLongoECortado) {
    const auto& c = GetParam();
    Magnolia({LinhaIni(c.rotulo, Letras(75))});
    EXPECT_EQ(c.campo(Ler()), Letras(c.largura));
}

std::vector<CasoChave> ChavesDeTexto() {
    std::vector<CasoChave> r;
    for (const auto& c : kChaves)
        if (c.largura > 0)
            r.push_back(c);
    return r;
}

INSTANTIATE_TEST_SUITE_P(Catalogo, Larguras, ::testing::ValuesIn(ChavesDeTexto()),
                         [](const auto& info) { return std::string(info.param.nome); });

TEST_F(Leitura, CortaDepoisDeAparar) {
    Magnolia({LinhaIni("IP DA ESTACAO DO USUARIO.......................:", "     " + Letras(45)),
              LinhaIni("TITULO CENTRAL DO LAUDO DO DO C.Q. PROD.PRONTOS:", "  " + Letras(55))});
    const auto p = Ler();
    EXPECT_EQ(p.IPEstacaoUsuario, Letras(40));
    EXPECT_EQ(p.TituloCentralLaudo, Letras(48));
}

TEST_F(Leitura, ColunasDepoisDa109SoContamParaChavesAteOFim) {
    const std::string alem(65, ' ');
    Magnolia({
        LinhaIni("FONTE DO CORPO.................................:", "Arial" + alem + "Bold"),
        LinhaIni("COR DO FONTE...................................:", alem + "7"),
        LinhaIni("QUANTIDADE DE LINHAS POR PAGINA IMPRESSA OM....:", alem + "72"),
        LinhaIni("NAO GERAR ARQ. TXT PARA ORDEM DE MANIPULACAO...:", "  SIM"),
        LinhaIni("COEFICIENTE VERTICAL IMPRESSORA................:", alem + "2.25"),
    });
    const auto p = Ler();
    EXPECT_EQ(p.FonteCorpo, "Arial");
    EXPECT_EQ(p.CorFonte, 7);
    EXPECT_EQ(p.LinhasPorPagina, "72");
    EXPECT_EQ(p.NaoGerarTxtOM, "  S");
    EXPECT_DOUBLE_EQ(p.CoeficienteVertical, 2.25);
}

TEST_F(Leitura, ChaveInteiraAparadaSoVeAJanela) {
    Magnolia(
        {LinhaIni("COR DE FUNDO DAS TELAS.........................:", std::string(65, ' ') + "7")});
    TParametros p = Predefinidos();
    EXPECT_EQ(TextoDoErro<ErroConversao>([&] { Ler(p); }), "'' is not a valid integer value");
}

// ------------------------------------------------------------------ short lines

TEST_F(Leitura, LinhasCurtas) {
    Magnolia({
        "IP DO SERVIDOR CENTRAL.........................",   // 47: no key
        "NOME DO COMPARTILHAMENTO DA PASTA MAGNOLIA.....:",  // 48: empty value
        "TIPO DE IMPRESSORA.............................:",  // fixed value all the same
        "QUANTIDADE DE LINHAS POR PAGINA IMPRESSA OM....:",  // blank: fallback
        "TEMPO EM MILISEGUNDOS ENTRE UMA OM E OUTRA.....: ", // 49: empty value
        "QDE DE COPIAS..................................:",
        "LOGOMARCA DA EMPRESA...........................:X",      // 49: separator only
        "FONTE DO LAUDO.................................:XArial", // any separator
    });
    auto p = Predefinidos();
    p.PastaMagnolia = "ANTES";
    Ler(p);
    EXPECT_EQ(p.IPServidor, "");
    EXPECT_EQ(p.PastaMagnolia, "");
    EXPECT_EQ(p.TipoImpressora, "Grafica");
    EXPECT_EQ(p.LinhasPorPagina, "66");
    EXPECT_EQ(p.TempoEntreOMs, "3000");
    EXPECT_EQ(p.QdeCopias, 1);
    EXPECT_EQ(p.Logomarca, "");
    EXPECT_EQ(p.FonteLaudo, "Arial");
}

TEST_F(Leitura, ChaveInteiraSemValorParaALeitura) {
    Magnolia({"TAMANHO DA FONTE DO LAUDO......................:"});
    EXPECT_EQ(TextoDoErro<ErroConversao>([&] { Ler(); }), "'' is not a valid integer value");
}

} // namespace
} // namespace tessela::teste
