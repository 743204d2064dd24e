#include "settings/catalogo.h"

#include "common/texto.h"
#include "settings/valores.h"

#include <array>

namespace tessela {

namespace {

constexpr std::string_view kRotuloIpServidor = "IP DO SERVIDOR CENTRAL.........................:";
constexpr std::string_view kRotuloNomeBanco = "NOME DO BANCO DE DADOS CENTRAL.................:";

enum class Casamento { SemCaixa, Exato };

enum class Tomada {
    Aparado,    // the window, trimmed, cut to the width
    Maiusculas, // trimmed, then a..z upper-cased
    AteOFim,    // column 50 to the end of the line, untrimmed, cut to the width
    Fixo,       // the file's value is ignored; the key's presence sets the fixed value
};

// What a key hands to its field.
struct Valor {
    std::string texto;      // as the key takes it
    std::string_view linha; // the whole line, for ValorDecimal
    char separador;
};

using Guardar = void (*)(TParametros&, const Valor&);

struct Chave {
    std::string_view rotulo;
    Casamento casamento;
    Tomada tomada;
    std::size_t largura;
    Guardar guardar;
    std::string_view fixo = {};
};

template <auto Campo> void Texto(TParametros& p, const Valor& v) {
    p.*Campo = v.texto;
}

// The field keeps the first non-blank value; an earlier file may have given it.
template <auto Campo> void TextoSeVazio(TParametros& p, const Valor& v) {
    if ((p.*Campo).empty())
        p.*Campo = v.texto;
}

template <auto Campo> void Numero(TParametros& p, const Valor& v) {
    p.*Campo = ValorInteiro(v.texto);
}

template <auto Campo> void NumeroDecimal(TParametros& p, const Valor& v) {
    p.*Campo = ValorDecimal(v.linha, v.separador);
}

template <auto Campo> void Pasta(TParametros& p, const Valor& v) {
    p.*Campo = RegraDaPasta(v.texto);
}

void GuardarTempoEntreOMs(TParametros& p, const Valor& v) {
    p.TempoEntreOMs = InteiroDasConfiguracoes(v.texto) ? v.texto : "3000";
}

void GuardarLinhasPorPagina(TParametros& p, const Valor& v) {
    auto texto = SemBrancos(v.texto);
    p.LinhasPorPagina = InteiroDasConfiguracoes(texto) ? std::move(texto) : "66";
}

// Short names for the table's columns.
using Campos = TParametros;
constexpr auto SemCaixa = Casamento::SemCaixa;
constexpr auto Exato = Casamento::Exato;
constexpr auto Aparado = Tomada::Aparado;
constexpr auto Maiusculas = Tomada::Maiusculas;
constexpr auto AteOFim = Tomada::AteOFim;
constexpr auto Fixo = Tomada::Fixo;
constexpr auto SemLimite = std::string::npos;

// clang-format off
constexpr std::array kChavesMagnolia = {
    Chave{kRotuloIpServidor, SemCaixa, Aparado, 50, TextoSeVazio<&Campos::IPServidor>},
    Chave{kRotuloNomeBanco, SemCaixa, Aparado, SemLimite, TextoSeVazio<&Campos::NomeBancoCentral>},
    Chave{"TIPO DE USUARIO DO SISTEMA.....................:", Exato, Maiusculas, 15, Texto<&Campos::TipoUsuario>},
    Chave{"MOSTRAR OU NAO MOSTRAR A VALIDADE DA FORMULA...:", Exato, Maiusculas, 15, Texto<&Campos::MostrarValidade>},
    Chave{"FORMA DE DEFINIR A VALIDADE DA FORMULA.........:", Exato, Maiusculas, 60, Texto<&Campos::FormaValidade>},
    Chave{"TEMPO EM MILISEGUNDOS ENTRE UMA OM E OUTRA.....:", SemCaixa, Aparado, 15, GuardarTempoEntreOMs},
    Chave{"SALVAR ARQUIVO OM TXT NO DIRETORIO.............:", SemCaixa, Aparado, SemLimite, Pasta<&Campos::DirSalvarOMTxt>},
    Chave{"IP DA ESTACAO DO USUARIO.......................:", SemCaixa, Aparado, 40, Texto<&Campos::IPEstacaoUsuario>},
    Chave{"NOME DO COMPARTILHAMENTO DA PASTA MAGNOLIA.....:", SemCaixa, Aparado, SemLimite, Texto<&Campos::PastaMagnolia>},
    Chave{"COR DE FUNDO DAS TELAS.........................:", SemCaixa, Aparado, SemLimite, Numero<&Campos::CorFundo>},
    Chave{"LOG DE ATIVIDADES..............................:", SemCaixa, Aparado, 3, Texto<&Campos::LogAtividades>},
    Chave{"LARGURA DA OM (QDE TRACOS).....................:", SemCaixa, Aparado, 60, Texto<&Campos::LarguraOM>},
    Chave{"MARGEM ESQUERDA DO LAUDO.......................:", SemCaixa, Aparado, 60, Texto<&Campos::MargemEsquerdaLaudo>},
    Chave{"ALTURA DA PAGINA DA OM.........................:", SemCaixa, Fixo, SemLimite, Texto<&Campos::AlturaPaginaOM>, "66"},
    Chave{"MARGEM SUPERIOR DO LAUDO.......................:", SemCaixa, Fixo, SemLimite, Texto<&Campos::MargemSuperiorLaudo>, "0"},
    Chave{"SALTO FINAL APOS IMPRESSAO DA OM...............:", SemCaixa, Aparado, 60, Texto<&Campos::SaltoFinalOM>},
    Chave{"MODELO DA OM...................................:", SemCaixa, Fixo, SemLimite, Texto<&Campos::ModeloOM>, "A5"},
    Chave{"TIPO DE IMPRESSORA.............................:", SemCaixa, Fixo, SemLimite, Texto<&Campos::TipoImpressora>, "Grafica"},
    Chave{"FECHAR CAIXA DE DIALOGO APOS IMPRESSAO DA OM...:", SemCaixa, Aparado, 60, Texto<&Campos::FecharDialogoAposImpressao>},
    Chave{"IMPRIME UM TRACO HORIZONTAL NO FINAL DA OM.....:", SemCaixa, Aparado, 60, Texto<&Campos::TracoFinalOM>},
    Chave{"UTILIZA PARAM DE CONTROLE DE QUALIDADE NA OM...:", SemCaixa, Aparado, 60, Texto<&Campos::UsaParamCQ>},
    Chave{"FAZER LAUDO DE ANALISE DO CONTROLE DE QUALIDADE:", SemCaixa, Aparado, 60, Texto<&Campos::FazerLaudoAnalise>},
    Chave{"TITULO CENTRAL DO LAUDO DO DO C.Q. PROD.PRONTOS:", SemCaixa, Aparado, 48, Texto<&Campos::TituloCentralLaudo>},
    Chave{"QUANTIDADE DE LINHAS POR PAGINA IMPRESSA OM....:", SemCaixa, AteOFim, SemLimite, GuardarLinhasPorPagina},
    Chave{"NAO GERAR ARQ. TXT PARA ORDEM DE MANIPULACAO...:", SemCaixa, AteOFim, 3, Texto<&Campos::NaoGerarTxtOM>},
    Chave{"COR DO FONTE...................................:", SemCaixa, AteOFim, SemLimite, Numero<&Campos::CorFonte>},
    Chave{"MARGEM ESQUERDA GERAL..........................:", SemCaixa, AteOFim, SemLimite, Numero<&Campos::MargemEsquerdaGeral>},
    Chave{"TIPO DE DAV....................................:", SemCaixa, Aparado, 20, Texto<&Campos::TipoDAV>},
    Chave{"MODELO DO DAV..................................:", SemCaixa, Aparado, 20, Texto<&Campos::ModeloDAV>},
    Chave{"COEFICIENTE VERTICAL IMPRESSORA................:", SemCaixa, AteOFim, SemLimite, NumeroDecimal<&Campos::CoeficienteVertical>},
    Chave{"QDE DE COPIAS..................................:", SemCaixa, Fixo, SemLimite, Numero<&Campos::QdeCopias>, "1"},
    Chave{"FONTE DO CABECALHO.............................:", SemCaixa, Aparado, 30, Texto<&Campos::FonteCabecalho>},
    Chave{"TAMANHO DO FONTE DO CABECALHO..................:", SemCaixa, Aparado, SemLimite, Numero<&Campos::TamanhoFonteCabecalho>},
    Chave{"MARGEM SUPERIOR DO CABECALHO...................:", SemCaixa, Aparado, SemLimite, Numero<&Campos::MargemSuperiorCabecalho>},
    Chave{"MARGEM ESQUERDA DO CABECALHO...................:", SemCaixa, Aparado, SemLimite, Numero<&Campos::MargemEsquerdaCabecalho>},
    Chave{"ENTRELINHAMENTO DO CABECALHO...................:", SemCaixa, Aparado, SemLimite, Numero<&Campos::EntrelinhamentoCabecalho>},
    Chave{"MARGEM SUP. DO SEGUNDO CABECALHO...............:", SemCaixa, Aparado, SemLimite, Numero<&Campos::MargemSupSegundoCabecalho>},
    Chave{"FONTE DO CORPO.................................:", SemCaixa, Aparado, 30, Texto<&Campos::FonteCorpo>},
    Chave{"TAMANHO DO FONTE DO CORPO......................:", SemCaixa, Aparado, SemLimite, Numero<&Campos::TamanhoFonteCorpo>},
    Chave{"MARGEM SUPERIOR DO CORPO.......................:", SemCaixa, Aparado, SemLimite, Numero<&Campos::MargemSuperiorCorpo>},
    Chave{"ENTRELINHAMENTO DO CORPO.......................:", SemCaixa, Aparado, SemLimite, Numero<&Campos::EntrelinhamentoCorpo>},
    Chave{"LOGOMARCA DA EMPRESA...........................:", SemCaixa, Aparado, SemLimite, Texto<&Campos::Logomarca>},
    Chave{"MARGEM ESQUERDA DA LOGOMARCA...................:", SemCaixa, Aparado, SemLimite, Numero<&Campos::MargemEsquerdaLogomarca>},
    Chave{"MARGEM SUPERIOR DA LOGOMARCA...................:", SemCaixa, Aparado, SemLimite, Numero<&Campos::MargemSuperiorLogomarca>},
    Chave{"MARGEM SUPERIOR DA SEGUNDA LOGOMARCA...........:", SemCaixa, Aparado, SemLimite, Numero<&Campos::MargemSuperiorSegundaLogomarca>},
    Chave{"FONTE DO LAUDO.................................:", SemCaixa, Aparado, 30, Texto<&Campos::FonteLaudo>},
    Chave{"TAMANHO DA FONTE DO LAUDO......................:", SemCaixa, Aparado, SemLimite, Numero<&Campos::TamanhoFonteLaudo>},
    Chave{"ENTRELINHAMENTO DO LAUDO.......................:", SemCaixa, Aparado, SemLimite, Numero<&Campos::EntrelinhamentoLaudo>},
};

// CONFIGBD.INI gives only these two, and its last occurrence wins even when blank.
constexpr std::array kChavesConfigBd = {
    Chave{kRotuloIpServidor, SemCaixa, Aparado, 50, Texto<&Campos::IPServidor>},
    Chave{kRotuloNomeBanco, SemCaixa, Aparado, SemLimite, Texto<&Campos::NomeBancoCentral>},
};
// clang-format on

template <std::size_t N> constexpr bool RotulosCompletos(const std::array<Chave, N>& chaves) {
    for (const auto& c : chaves)
        if (c.rotulo.size() != kLarguraRotulo || c.rotulo.back() != ':')
            return false;
    return true;
}
static_assert(RotulosCompletos(kChavesMagnolia) && RotulosCompletos(kChavesConfigBd));

std::string TextoDaChave(const Chave& c, std::string_view linha) {
    switch (c.tomada) {
    case Tomada::Aparado:
        return Cortar(TiraBrancos(JanelaDoValor(linha)), c.largura);
    case Tomada::Maiusculas:
        return Cortar(MaiusculasAZ(TiraBrancos(JanelaDoValor(linha))), c.largura);
    case Tomada::AteOFim:
        return Cortar(ValorAteOFim(linha), c.largura);
    case Tomada::Fixo:
        return std::string(c.fixo);
    }
    return {};
}

bool Casa(const Chave& c, std::string_view rotulo, std::string_view rotuloMaiusculo) {
    return (c.casamento == Casamento::Exato ? rotulo : rotuloMaiusculo) == c.rotulo;
}

template <std::size_t N>
void AplicarChaves(const std::array<Chave, N>& chaves, TParametros& p, std::string_view linha,
                   char separador) {
    if (linha.size() < kLarguraRotulo)
        return;
    const auto rotulo = linha.substr(0, kLarguraRotulo);
    const auto maiusculo = MaiusculasAZ(rotulo);
    for (const auto& c : chaves)
        if (Casa(c, rotulo, maiusculo)) {
            c.guardar(p, Valor{TextoDaChave(c, linha), linha, separador});
            return;
        }
}

} // namespace

void AplicarLinha(ArquivoDeConfiguracao arquivo, TParametros& p, std::string_view linha,
                  char separadorDecimal) {
    if (arquivo == ArquivoDeConfiguracao::ConfigBd)
        AplicarChaves(kChavesConfigBd, p, linha, separadorDecimal);
    else
        AplicarChaves(kChavesMagnolia, p, linha, separadorDecimal);
}

} // namespace tessela
