#include "printing/lpoptions.h"

#include "common/texto.h"

#include <algorithm>
#include <iterator>

namespace tessela {

namespace {

struct LinhaLpoptions {
    std::string palavra; // "Dest", "Default" or anything else
    std::string destino; // NAME or NAME/INSTANCE
    std::string resto;   // the options, with the blank before them
};

LinhaLpoptions Separar(const std::string& linha) {
    LinhaLpoptions l;
    const auto fimPalavra = linha.find_first_of(" \t");
    l.palavra = linha.substr(0, fimPalavra);
    if (fimPalavra == std::string::npos)
        return l;
    const auto inicioDestino = linha.find_first_not_of(" \t", fimPalavra);
    if (inicioDestino == std::string::npos)
        return l;
    const auto fimDestino = linha.find_first_of(" \t", inicioDestino);
    l.destino = linha.substr(inicioDestino, fimDestino - inicioDestino);
    if (fimDestino != std::string::npos)
        l.resto = linha.substr(fimDestino);
    return l;
}

bool EhDest(const LinhaLpoptions& l) {
    return IguaisSemCaixa(l.palavra, "Dest");
}

bool EhPadrao(const LinhaLpoptions& l) {
    return IguaisSemCaixa(l.palavra, "Default");
}

// The lines without their ends; a last line without an end counts too.
std::vector<std::string> Linhas(const std::string& conteudo) {
    std::vector<std::string> linhas;
    std::size_t inicio = 0;
    while (inicio < conteudo.size()) {
        auto fim = conteudo.find('\n', inicio);
        if (fim == std::string::npos)
            fim = conteudo.size();
        linhas.push_back(conteudo.substr(inicio, fim - inicio));
        inicio = fim + 1;
    }
    return linhas;
}

std::string Juntar(const std::vector<std::string>& linhas) {
    std::string conteudo;
    for (const auto& linha : linhas)
        conteudo += linha + "\n";
    return conteudo;
}

// A former Default line as a Dest line; none when it named nothing but the destination,
// which says nothing as Dest.
std::optional<std::string> ComoDest(const LinhaLpoptions& l) {
    if (l.resto.find_first_not_of(" \t") == std::string::npos &&
        l.destino.find('/') == std::string::npos)
        return std::nullopt;
    return "Dest " + l.destino + l.resto;
}

// Where the Default line of the file is: none when there is none, or more than one (CUPS
// then takes the first for some callers and the last for others).
std::optional<std::size_t> LinhaDoPadrao(const std::vector<std::string>& linhas) {
    std::optional<std::size_t> achada;
    for (std::size_t i = 0; i < linhas.size(); ++i)
        if (EhPadrao(Separar(linhas[i]))) {
            if (achada)
                return std::nullopt;
            achada = i;
        }
    return achada;
}

// A former default made the default again: its Dest line as it is now becomes the Default
// line, with the options set since (the very line that was there, when nothing changed
// it); gone meanwhile, the line that was there goes back where it was.
void TornarPadraoDeNovo(std::vector<std::string>& linhas, const TrocaDeLinha& troca) {
    const std::string destino = Separar(*troca.antes).destino;
    for (auto& linha : linhas) {
        const LinhaLpoptions l = Separar(linha);
        if (EhDest(l) && IguaisSemCaixa(l.destino, destino)) {
            linha = linha == troca.depois ? *troca.antes : "Default " + l.destino + l.resto;
            return;
        }
    }
    const auto posicao = std::min(troca.posicao, linhas.size());
    linhas.insert(linhas.begin() + static_cast<std::ptrdiff_t>(posicao), *troca.antes);
}

} // namespace

TrocaDoPadrao TrocasDoPadrao(const std::string& conteudo, const std::string& nome) {
    const std::vector<std::string> linhas = Linhas(conteudo);
    TrocaDoPadrao troca;
    bool achada = false;
    for (std::size_t i = 0; i < linhas.size(); ++i) {
        const LinhaLpoptions l = Separar(linhas[i]);
        if (!EhDest(l) && !EhPadrao(l))
            continue;
        if (!achada && IguaisSemCaixa(l.destino, nome)) {
            achada = true;
            troca.daImpressora = {i, linhas[i], "Default " + l.destino + l.resto};
        } else if (EhPadrao(l)) {
            troca.anteriores.push_back({i, linhas[i], ComoDest(l)});
        }
    }
    if (!achada)
        troca.daImpressora = {linhas.size(), std::nullopt, "Default " + nome};
    return troca;
}

std::string ComPadrao(const std::string& conteudo, const std::string& nome) {
    const TrocaDoPadrao troca = TrocasDoPadrao(conteudo, nome);
    std::vector<std::string> linhas = Linhas(conteudo);
    if (troca.daImpressora.antes)
        linhas[troca.daImpressora.posicao] = *troca.daImpressora.depois;
    else
        linhas.push_back(*troca.daImpressora.depois);
    // From the last, so that a line taken away leaves the places before it as they are.
    for (auto t = troca.anteriores.rbegin(); t != troca.anteriores.rend(); ++t) {
        if (t->depois)
            linhas[t->posicao] = *t->depois;
        else
            linhas.erase(linhas.begin() + static_cast<std::ptrdiff_t>(t->posicao));
    }
    return Juntar(linhas);
}

std::optional<std::string> SemATroca(const std::string& atual, const TrocaDoPadrao& troca) {
    std::vector<std::string> linhas = Linhas(atual);
    const auto padrao = LinhaDoPadrao(linhas);
    if (!padrao || linhas[*padrao] != troca.daImpressora.depois)
        return std::nullopt;
    if (troca.daImpressora.antes)
        linhas[*padrao] = *troca.daImpressora.antes;
    else
        linhas.erase(linhas.begin() + static_cast<std::ptrdiff_t>(*padrao));
    // In the order of the content, so that each goes back to its own place.
    for (const auto& anterior : troca.anteriores)
        TornarPadraoDeNovo(linhas, anterior);
    return Juntar(linhas);
}

} // namespace tessela
