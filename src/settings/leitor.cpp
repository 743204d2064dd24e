#include "settings/leitor.h"

#include "common/arquivo_texto.h"
#include "common/texto.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <clocale>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>

namespace tessela {

namespace {

// Columns of a settings line: a 48-character label, one separator column, then the
// value; most keys look only at a 60-column window of it.
constexpr std::size_t kLarguraRotulo = 48;
constexpr std::size_t kInicioValor = 49;
constexpr std::size_t kLarguraJanela = 60;
constexpr std::size_t kSemLimite = std::string::npos;

constexpr std::string_view kRotuloIpServidor = "IP DO SERVIDOR CENTRAL.........................:";
constexpr std::string_view kRotuloNomeBanco = "NOME DO BANCO DE DADOS CENTRAL.................:";

// ---------------------------------------------------------------- conversions

[[noreturn]] void InteiroInvalido(std::string_view texto) {
    throw ErroConversao("'" + std::string(texto) + "' is not a valid integer value");
}

bool DigitoHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool DigitoDecimal(char c) {
    return c >= '0' && c <= '9';
}

// The parts of an integer text: leading blanks, an optional sign, then decimal digits
// or hexadecimal digits after '$', 'x' or '0x'.
struct Numeral {
    bool negativo = false;
    int base = 10;
    std::string_view digitos;
};

std::optional<Numeral> Decompor(std::string_view texto) {
    Numeral n;
    texto.remove_prefix(std::min(texto.find_first_not_of(' '), texto.size()));
    if (texto.starts_with('+') || texto.starts_with('-')) {
        n.negativo = texto.front() == '-';
        texto.remove_prefix(1);
    }
    for (std::string_view prefixo : {"$", "x", "X", "0x", "0X"})
        if (texto.starts_with(prefixo)) {
            n.base = 16;
            texto.remove_prefix(prefixo.size());
            break;
        }
    const auto digito = n.base == 16 ? DigitoHex : DigitoDecimal;
    if (texto.empty() || !std::all_of(texto.begin(), texto.end(), digito))
        return std::nullopt;
    n.digitos = texto;
    return n;
}

// A decimal value must fit a signed 32-bit integer. Hexadecimal digits give a 32-bit
// pattern ("$FF00000F" is a system colour, so negative): up to FFFFFFFF is accepted,
// anything wider is rejected rather than wrapped.
std::optional<std::int32_t> Inteiro(std::string_view texto) {
    const auto n = Decompor(texto);
    if (!n)
        return std::nullopt;
    std::uint64_t magnitude = 0;
    const auto* fim = n->digitos.data() + n->digitos.size();
    const auto [parou, erro] = std::from_chars(n->digitos.data(), fim, magnitude, n->base);
    if (erro != std::errc{} || parou != fim)
        return std::nullopt;
    if (n->base == 16) {
        if (magnitude > std::numeric_limits<std::uint32_t>::max())
            return std::nullopt;
        const auto padrao = static_cast<std::uint32_t>(magnitude);
        return static_cast<std::int32_t>(n->negativo ? 0u - padrao : padrao);
    }
    const std::uint64_t limite = n->negativo ? 2147483648u : 2147483647u;
    if (magnitude > limite)
        return std::nullopt;
    const auto v = static_cast<std::int64_t>(magnitude);
    return static_cast<std::int32_t>(n->negativo ? -v : v);
}

std::int32_t InteiroOuErro(std::string_view texto) {
    const auto v = Inteiro(texto);
    if (!v)
        InteiroInvalido(texto);
    return *v;
}

// Rewrites a decimal text for from_chars ('.' as separator, no '+'), or nullopt.
// Accepted: an optional sign, digits with at most one decimal separator, an optional
// exponent; no thousands separators. Blanks around the number are allowed.
class Canonizador {
public:
    Canonizador(std::string_view texto, char separador) : resto_(texto), separador_(separador) {}

    std::optional<std::string> Texto() {
        Sinal();
        if (!Mantissa() || !Expoente() || !resto_.empty())
            return std::nullopt;
        return r_;
    }

private:
    void Sinal() {
        if (resto_.starts_with('+') || resto_.starts_with('-')) {
            if (resto_.front() == '-')
                r_ += '-';
            resto_.remove_prefix(1);
        }
    }
    // Copies digits while they come; how many.
    std::size_t Digitos() {
        std::size_t n = 0;
        for (; !resto_.empty() && DigitoDecimal(resto_.front()); ++n) {
            r_ += resto_.front();
            resto_.remove_prefix(1);
        }
        return n;
    }
    bool Mantissa() {
        auto n = Digitos();
        if (!resto_.empty() && resto_.front() == separador_) {
            r_ += '.';
            resto_.remove_prefix(1);
            n += Digitos();
        }
        return n > 0;
    }
    bool Expoente() {
        if (!resto_.starts_with('e') && !resto_.starts_with('E'))
            return true;
        r_ += 'e';
        resto_.remove_prefix(1);
        Sinal();
        return Digitos() > 0;
    }

    std::string_view resto_;
    char separador_;
    std::string r_;
};

std::optional<double> Decimal(std::string_view texto, char separador) {
    const auto canonico = Canonizador(TiraBrancos(texto), separador).Texto();
    if (!canonico)
        return std::nullopt;
    double v = 0;
    const auto* fim = canonico->data() + canonico->size();
    const auto [parou, erro] = std::from_chars(canonico->data(), fim, v);
    if (erro != std::errc{} || parou != fim)
        return std::nullopt;
    return v;
}

std::string SemBrancos(std::string_view texto) {
    std::string r;
    for (char c : texto)
        if (c != ' ')
            r += c;
    return r;
}

// Trimmed already; drops trailing blanks and backslashes, so "C:\OM\" gives "C:\OM".
std::string RegraDaPasta(std::string_view texto) {
    const auto fim = texto.find_last_not_of(" \\");
    return fim == std::string_view::npos ? std::string() : std::string(texto.substr(0, fim + 1));
}

// ---------------------------------------------------------------- key table

std::string_view JanelaDoValor(std::string_view linha) {
    return linha.size() <= kInicioValor ? std::string_view()
                                        : linha.substr(kInicioValor, kLarguraJanela);
}

std::string_view ValorAteOFim(std::string_view linha) {
    return linha.size() <= kInicioValor ? std::string_view() : linha.substr(kInicioValor);
}

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
    p.*Campo = InteiroOuErro(v.texto);
}

template <auto Campo> void NumeroDecimal(TParametros& p, const Valor& v) {
    p.*Campo = ValorDecimal(v.linha, v.separador);
}

template <auto Campo> void Pasta(TParametros& p, const Valor& v) {
    p.*Campo = RegraDaPasta(v.texto);
}

void GuardarTempoEntreOMs(TParametros& p, const Valor& v) {
    p.TempoEntreOMs = Inteiro(v.texto) ? v.texto : "3000";
}

void GuardarLinhasPorPagina(TParametros& p, const Valor& v) {
    auto texto = SemBrancos(v.texto);
    p.LinhasPorPagina = Inteiro(texto) ? std::move(texto) : "66";
}

using P = TParametros;
constexpr auto S = Casamento::SemCaixa;
constexpr auto E = Casamento::Exato;
constexpr auto Ap = Tomada::Aparado;
constexpr auto Mai = Tomada::Maiusculas;
constexpr auto Fim = Tomada::AteOFim;
constexpr auto Fixo = Tomada::Fixo;
constexpr auto L = kSemLimite;

// clang-format off
constexpr std::array kChavesMagnolia = {
    Chave{kRotuloIpServidor,                                  S, Ap,  50, TextoSeVazio<&P::IPServidor>},
    Chave{kRotuloNomeBanco,                                   S, Ap,  L,  TextoSeVazio<&P::NomeBancoCentral>},
    Chave{"TIPO DE USUARIO DO SISTEMA.....................:", E, Mai, 15, Texto<&P::TipoUsuario>},
    Chave{"MOSTRAR OU NAO MOSTRAR A VALIDADE DA FORMULA...:", E, Mai, 15, Texto<&P::MostrarValidade>},
    Chave{"FORMA DE DEFINIR A VALIDADE DA FORMULA.........:", E, Mai, 60, Texto<&P::FormaValidade>},
    Chave{"TEMPO EM MILISEGUNDOS ENTRE UMA OM E OUTRA.....:", S, Ap,  15, GuardarTempoEntreOMs},
    Chave{"SALVAR ARQUIVO OM TXT NO DIRETORIO.............:", S, Ap,  L,  Pasta<&P::DirSalvarOMTxt>},
    Chave{"IP DA ESTACAO DO USUARIO.......................:", S, Ap,  40, Texto<&P::IPEstacaoUsuario>},
    Chave{"NOME DO COMPARTILHAMENTO DA PASTA MAGNOLIA.....:", S, Ap,  L,  Texto<&P::PastaMagnolia>},
    Chave{"COR DE FUNDO DAS TELAS.........................:", S, Ap,  L,  Numero<&P::CorFundo>},
    Chave{"LOG DE ATIVIDADES..............................:", S, Ap,  3,  Texto<&P::LogAtividades>},
    Chave{"LARGURA DA OM (QDE TRACOS).....................:", S, Ap,  60, Texto<&P::LarguraOM>},
    Chave{"MARGEM ESQUERDA DO LAUDO.......................:", S, Ap,  60, Texto<&P::MargemEsquerdaLaudo>},
    Chave{"ALTURA DA PAGINA DA OM.........................:", S, Fixo, L, Texto<&P::AlturaPaginaOM>, "66"},
    Chave{"MARGEM SUPERIOR DO LAUDO.......................:", S, Fixo, L, Texto<&P::MargemSuperiorLaudo>, "0"},
    Chave{"SALTO FINAL APOS IMPRESSAO DA OM...............:", S, Ap,  60, Texto<&P::SaltoFinalOM>},
    Chave{"MODELO DA OM...................................:", S, Fixo, L, Texto<&P::ModeloOM>, "A5"},
    Chave{"TIPO DE IMPRESSORA.............................:", S, Fixo, L, Texto<&P::TipoImpressora>, "Grafica"},
    Chave{"FECHAR CAIXA DE DIALOGO APOS IMPRESSAO DA OM...:", S, Ap,  60, Texto<&P::FecharDialogoAposImpressao>},
    Chave{"IMPRIME UM TRACO HORIZONTAL NO FINAL DA OM.....:", S, Ap,  60, Texto<&P::TracoFinalOM>},
    Chave{"UTILIZA PARAM DE CONTROLE DE QUALIDADE NA OM...:", S, Ap,  60, Texto<&P::UsaParamCQ>},
    Chave{"FAZER LAUDO DE ANALISE DO CONTROLE DE QUALIDADE:", S, Ap,  60, Texto<&P::FazerLaudoAnalise>},
    Chave{"TITULO CENTRAL DO LAUDO DO DO C.Q. PROD.PRONTOS:", S, Ap,  48, Texto<&P::TituloCentralLaudo>},
    Chave{"QUANTIDADE DE LINHAS POR PAGINA IMPRESSA OM....:", S, Fim, L,  GuardarLinhasPorPagina},
    Chave{"NAO GERAR ARQ. TXT PARA ORDEM DE MANIPULACAO...:", S, Fim, 3,  Texto<&P::NaoGerarTxtOM>},
    Chave{"COR DO FONTE...................................:", S, Fim, L,  Numero<&P::CorFonte>},
    Chave{"MARGEM ESQUERDA GERAL..........................:", S, Fim, L,  Numero<&P::MargemEsquerdaGeral>},
    Chave{"TIPO DE DAV....................................:", S, Ap,  20, Texto<&P::TipoDAV>},
    Chave{"MODELO DO DAV..................................:", S, Ap,  20, Texto<&P::ModeloDAV>},
    Chave{"COEFICIENTE VERTICAL IMPRESSORA................:", S, Fim, L,  NumeroDecimal<&P::CoeficienteVertical>},
    Chave{"QDE DE COPIAS..................................:", S, Fixo, L, Numero<&P::QdeCopias>, "1"},
    Chave{"FONTE DO CABECALHO.............................:", S, Ap,  30, Texto<&P::FonteCabecalho>},
    Chave{"TAMANHO DO FONTE DO CABECALHO..................:", S, Ap,  L,  Numero<&P::TamanhoFonteCabecalho>},
    Chave{"MARGEM SUPERIOR DO CABECALHO...................:", S, Ap,  L,  Numero<&P::MargemSuperiorCabecalho>},
    Chave{"MARGEM ESQUERDA DO CABECALHO...................:", S, Ap,  L,  Numero<&P::MargemEsquerdaCabecalho>},
    Chave{"ENTRELINHAMENTO DO CABECALHO...................:", S, Ap,  L,  Numero<&P::EntrelinhamentoCabecalho>},
    Chave{"MARGEM SUP. DO SEGUNDO CABECALHO...............:", S, Ap,  L,  Numero<&P::MargemSupSegundoCabecalho>},
    Chave{"FONTE DO CORPO.................................:", S, Ap,  30, Texto<&P::FonteCorpo>},
    Chave{"TAMANHO DO FONTE DO CORPO......................:", S, Ap,  L,  Numero<&P::TamanhoFonteCorpo>},
    Chave{"MARGEM SUPERIOR DO CORPO.......................:", S, Ap,  L,  Numero<&P::MargemSuperiorCorpo>},
    Chave{"ENTRELINHAMENTO DO CORPO.......................:", S, Ap,  L,  Numero<&P::EntrelinhamentoCorpo>},
    Chave{"LOGOMARCA DA EMPRESA...........................:", S, Ap,  L,  Texto<&P::Logomarca>},
    Chave{"MARGEM ESQUERDA DA LOGOMARCA...................:", S, Ap,  L,  Numero<&P::MargemEsquerdaLogomarca>},
    Chave{"MARGEM SUPERIOR DA LOGOMARCA...................:", S, Ap,  L,  Numero<&P::MargemSuperiorLogomarca>},
    Chave{"MARGEM SUPERIOR DA SEGUNDA LOGOMARCA...........:", S, Ap,  L,  Numero<&P::MargemSuperiorSegundaLogomarca>},
    Chave{"FONTE DO LAUDO.................................:", S, Ap,  30, Texto<&P::FonteLaudo>},
    Chave{"TAMANHO DA FONTE DO LAUDO......................:", S, Ap,  L,  Numero<&P::TamanhoFonteLaudo>},
    Chave{"ENTRELINHAMENTO DO LAUDO.......................:", S, Ap,  L,  Numero<&P::EntrelinhamentoLaudo>},
};

// CONFIGBD.INI gives only these two, and its last occurrence wins even when blank.
constexpr std::array kChavesConfigBd = {
    Chave{kRotuloIpServidor, S, Ap, 50, Texto<&P::IPServidor>},
    Chave{kRotuloNomeBanco,  S, Ap, L,  Texto<&P::NomeBancoCentral>},
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
void AplicarLinha(const std::array<Chave, N>& chaves, TParametros& p, std::string_view linha,
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

// Lines end with CR LF or a lone LF (files edited on Linux). A lone CR and the
// end-of-file character 0x1A are ordinary characters of a line, and the lines after
// them are read: the suite writes CR LF files, so these only come from damaged files,
// where they end up in a value or in a label that matches no key.
template <std::size_t N>
void LerArquivo(const std::array<Chave, N>& chaves, TParametros& p, const std::string& arquivo,
                char separador) {
    for (const auto& linha : LerLinhasTexto(arquivo))
        AplicarLinha(chaves, p, linha, separador);
}

// Anything present counts, so that a folder in the file's place is an input/output
// error when read, not a missing file.
bool Existe(const std::string& arquivo) {
    std::error_code ec;
    return std::filesystem::status(arquivo, ec).type() != std::filesystem::file_type::not_found;
}

void PrepararLeitura(TParametros& p) {
    p.IPServidor.clear();
    p.NomeBancoCentral.clear();
    p.DirSalvarOMTxt.clear();
    p.TempoEntreOMs = "3000";
    p.LinhasPorPagina = "0";
}

void ReservaDoBanco(TParametros& p) {
    if (p.NomeBancoCentral.empty())
        p.NomeBancoCentral = "MAGNOLIA.BD";
}

std::string ComBarraFinal(std::string_view pasta) {
    std::string r(pasta);
    if (r.empty() || r.back() != '/')
        r += '/';
    return r;
}

void LerOsDoisArquivos(TParametros& p, const std::string& pasta, char separador) {
    const auto configBd = pasta + "CONFIGBD.INI";
    if (Existe(configBd))
        LerArquivo(kChavesConfigBd, p, configBd, separador);
    const auto magnolia = pasta + "MAGNOLIA.INI";
    if (!Existe(magnolia))
        throw ErroMagnoliaIniAusente();
    LerArquivo(kChavesMagnolia, p, magnolia, separador);
}

} // namespace

std::int32_t ValorInteiro(std::string_view texto) { return InteiroOuErro(texto); }

void LerParametros(TParametros& p, TSessao& s, std::string_view pastaExecutavel,
                   char separadorDecimal) {
    PrepararLeitura(p);
    s.DirPrograma = ComBarraFinal(pastaExecutavel);
    try {
        LerOsDoisArquivos(p, s.DirPrograma, separadorDecimal);
    } catch (...) {
        // The database name gets its fallback however the reading ended.
        ReservaDoBanco(p);
        throw;
    }
    ReservaDoBanco(p);
}

double ValorDecimal(std::string_view linha, char separadorDecimal) {
    if (const auto v = Decimal(ValorAteOFim(linha), separadorDecimal))
        return *v;
    std::string trocada(linha);
    const char de = separadorDecimal == ',' ? '.' : ',';
    const char para = separadorDecimal == ',' ? ',' : '.';
    for (char& c : trocada)
        if (c == de)
            c = para;
    const auto segunda = ValorAteOFim(trocada);
    if (const auto v = Decimal(segunda, separadorDecimal))
        return *v;
    throw ErroConversao("'" + std::string(segunda) + "' is not a valid floating point value");
}

char SeparadorDecimalDoProcesso() {
    const auto* lc = std::localeconv();
    return (lc && lc->decimal_point && lc->decimal_point[0]) ? lc->decimal_point[0] : '.';
}

} // namespace tessela
