// Each value conversion of the settings reader, through a real MAGNOLIA.INI of one
// line, against the reference readings; and ValorDecimal on any line with both
// separators.

#include "common/erros.h"
#include "common/texto.h"
#include "referencia.h"
#include "settings/leitor.h"
#include "verificar.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

namespace {

using tessela::TParametros;
using tessela::fuzz::DecimalReferencia;
using tessela::fuzz::InteiroReferencia;
using tessela::fuzz::Visivel;

enum class Tipo {
    InteiroJanela,  // trimmed 60-column window, integer
    InteiroAteOFim, // column 50 to the end, untrimmed, integer
    Tempo,          // trimmed window cut to 15, integer kept as text, fallback "3000"
    Linhas,         // to the end, every blank removed, integer kept as text, fallback "66"
    Decimal,        // ValorDecimal of the whole line
    Titulo,         // trimmed window cut to 48
    Usuario,        // exact label; trimmed window upper-cased a..z, cut to 15
    NaoGerar,       // to the end, cut to 3
    Pasta,          // trimmed window; trailing blanks and backslashes dropped
    Fixo,           // the key alone sets the value
};

struct Chave {
    const char* rotulo;
    Tipo tipo;
};

constexpr Chave kChaves[] = {
    {"COR DE FUNDO DAS TELAS.........................:", Tipo::InteiroJanela},
    {"TAMANHO DA FONTE DO LAUDO......................:", Tipo::InteiroJanela},
    {"COR DO FONTE...................................:", Tipo::InteiroAteOFim},
    {"MARGEM ESQUERDA GERAL..........................:", Tipo::InteiroAteOFim},
    {"TEMPO EM MILISEGUNDOS ENTRE UMA OM E OUTRA.....:", Tipo::Tempo},
    {"QUANTIDADE DE LINHAS POR PAGINA IMPRESSA OM....:", Tipo::Linhas},
    {"COEFICIENTE VERTICAL IMPRESSORA................:", Tipo::Decimal},
    {"TITULO CENTRAL DO LAUDO DO DO C.Q. PROD.PRONTOS:", Tipo::Titulo},
    {"TIPO DE USUARIO DO SISTEMA.....................:", Tipo::Usuario},
    {"NAO GERAR ARQ. TXT PARA ORDEM DE MANIPULACAO...:", Tipo::NaoGerar},
    {"SALVAR ARQUIVO OM TXT NO DIRETORIO.............:", Tipo::Pasta},
    {"QDE DE COPIAS..................................:", Tipo::Fixo},
};

const tessela::fuzz::PastaDoPrograma& PastaPrograma() {
    static const tessela::fuzz::PastaDoPrograma pasta;
    return pasta;
}

std::string Janela(std::string_view linha) {
    return linha.size() <= 49 ? std::string() : std::string(linha.substr(49, 60));
}

std::string ValorAteOFim(std::string_view linha) {
    return linha.size() <= 49 ? std::string() : std::string(linha.substr(49));
}

std::string Aparado(std::string_view linha, std::size_t largura) {
    return std::string(tessela::fuzz::SemBrancosNasPontas(Janela(linha)).substr(0, largura));
}

// ValorDecimal's two attempts: the value, then the value with the other separator
// replaced by this one.
struct Esperado {
    bool aceito;
    bool valorConhecido;
    double valor;
};

Esperado DecimalEsperado(std::string_view linha, char separador) {
    const auto valor = ValorAteOFim(linha);
    auto leitura = DecimalReferencia(valor, separador);
    if (!leitura.aceita) {
        std::string trocado = valor;
        for (char& c : trocado)
            if (c == (separador == ',' ? '.' : ','))
                c = separador;
        leitura = DecimalReferencia(trocado, separador);
    }
    // Past the double's range both readings may differ in detail: not judged.
    return {leitura.aceita, !leitura.foraDaFaixa, leitura.valor};
}

void VerificarValorDecimal(std::string_view linha, char separador) {
    const auto esperado = DecimalEsperado(linha, separador);
    if (!esperado.valorConhecido)
        return;
    std::optional<double> obtido;
    try {
        obtido = tessela::ValorDecimal(linha, separador);
    } catch (const tessela::ErroConversao&) {
    }
    const std::string contexto = std::string("separator ") + separador + ", line " + Visivel(linha);
    EXIGIR(obtido.has_value() == esperado.aceito, contexto);
    if (obtido)
        EXIGIR(std::memcmp(&*obtido, &esperado.valor, sizeof(double)) == 0 ||
                   (*obtido == 0 && esperado.valor == 0),
               contexto);
}

// Reads a MAGNOLIA.INI of this one line; nullopt when a conversion stopped it.
std::optional<TParametros> Ler(std::string_view linha, char separador) {
    const auto& pasta = PastaPrograma();
    pasta.Escrever("MAGNOLIA.INI", std::string(linha) + "\r\n");
    TParametros p;
    tessela::TSessao s;
    try {
        tessela::LerParametros(p, s, pasta.Caminho(), separador);
    } catch (const tessela::ErroConversao&) {
        return std::nullopt;
    }
    return p;
}

void VerificarChave(const Chave& chave, bool minusculas, std::string_view linha, char separador) {
    const auto lido = Ler(linha, separador);
    const std::string contexto = std::string(chave.rotulo) + (minusculas ? " (lower case)" : "") +
                                 ", line " + Visivel(linha);
    // The exact keys do not match in lower case; the rest of the line then matches nothing.
    if (minusculas && chave.tipo == Tipo::Usuario) {
        EXIGIR(lido && lido->TipoUsuario.empty(), contexto);
        return;
    }
    const auto inteiro = [&](const std::string& texto, std::int32_t TParametros::*campo) {
        const auto esperado = InteiroReferencia(texto);
        EXIGIR(lido.has_value() == esperado.has_value(), contexto);
        if (esperado)
            EXIGIR((*lido).*campo == *esperado, contexto);
    };
    switch (chave.tipo) {
    case Tipo::InteiroJanela:
        inteiro(Aparado(linha, std::string::npos),
                chave.rotulo[0] == 'C' ? &TParametros::CorFundo : &TParametros::TamanhoFonteLaudo);
        return;
    case Tipo::InteiroAteOFim:
        inteiro(ValorAteOFim(linha), chave.rotulo[0] == 'C' ? &TParametros::CorFonte
                                                            : &TParametros::MargemEsquerdaGeral);
        return;
    default:
        break;
    }
    if (chave.tipo == Tipo::Decimal) {
        const auto esperado = DecimalEsperado(linha, separador);
        if (!esperado.valorConhecido)
            return;
        EXIGIR(lido.has_value() == esperado.aceito, contexto);
        if (lido)
            EXIGIR(lido->CoeficienteVertical == esperado.valor, contexto);
        return;
    }
    EXIGIR(lido.has_value(), contexto); // nothing else stops the reading
    const auto& p = *lido;
    switch (chave.tipo) {
    case Tipo::Tempo: {
        const auto texto = Aparado(linha, 15);
        EXIGIR(p.TempoEntreOMs == (InteiroReferencia(texto) ? texto : "3000"), contexto);
        break;
    }
    case Tipo::Linhas: {
        std::string texto;
        for (char c : ValorAteOFim(linha))
            if (c != ' ')
                texto += c;
        EXIGIR(p.LinhasPorPagina == (InteiroReferencia(texto) ? texto : "66"), contexto);
        break;
    }
    case Tipo::Titulo:
        EXIGIR(p.TituloCentralLaudo == Aparado(linha, 48), contexto);
        break;
    case Tipo::Usuario:
        EXIGIR(p.TipoUsuario ==
                   tessela::MaiusculasAZ(Aparado(linha, std::string::npos)).substr(0, 15),
               contexto);
        break;
    case Tipo::NaoGerar:
        EXIGIR(p.NaoGerarTxtOM == ValorAteOFim(linha).substr(0, 3), contexto);
        break;
    case Tipo::Pasta: {
        auto pasta = Aparado(linha, std::string::npos);
        while (!pasta.empty() && (pasta.back() == ' ' || pasta.back() == '\\'))
            pasta.pop_back();
        EXIGIR(p.DirSalvarOMTxt == pasta, contexto);
        break;
    }
    case Tipo::Fixo:
        EXIGIR(p.QdeCopias == 1, contexto);
        break;
    default:
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
    if (tamanho < 2)
        return 0;
    const auto& chave = kChaves[dados[0] % std::size(kChaves)];
    const bool minusculas = dados[0] & 0x80;
    const char separador = (dados[1] & 1) ? ',' : '.';
    // Column 49 and the value; a line feed would end the line, so the value stops there.
    std::string_view resto(reinterpret_cast<const char*>(dados) + 2, tamanho - 2);
    resto = resto.substr(0, resto.find('\n'));

    std::string rotulo = chave.rotulo;
    if (minusculas)
        for (char& c : rotulo)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
    const std::string linha = rotulo + std::string(resto);

    VerificarChave(chave, minusculas, linha, separador);
    VerificarValorDecimal(linha, ',');
    VerificarValorDecimal(linha, '.');
    return 0;
}
