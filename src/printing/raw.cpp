#include "printing/raw.h"

#include "printing/mensagens.h"
#include "printing/paginas.h"

namespace tessela {

namespace {

// Nothing but blanks once the lines are joined with CR LF: there is nothing to print.
// The CR LF that joins two lines is not a blank.
bool RelatorioEmBranco(const std::vector<std::string>& linhas) {
    if (linhas.size() > 1)
        return false;
    return linhas.empty() || linhas[0].find_first_not_of(' ') == std::string::npos;
}

std::string MensagemImpressoraNaoEncontrada(const std::string& impressora) {
    return "Impressora \"" + impressora +
           "\" n\xE3o encontrada.\rO Laudo do Controle de Qualidade n\xE3o ser\xE1 impresso. ";
}

void ImprimirPagina(SistemaImpressao& sistema, const std::string& impressora,
                    const std::vector<std::string>& linhas, const TPagina& pagina) {
    auto trabalho = sistema.CriarTrabalho(impressora, "Pagina_" + std::to_string(pagina.Numero),
                                          FormatoDocumento::Bruto);
    for (auto i = pagina.PrimeiraLinha; i <= pagina.UltimaLinha; ++i)
        trabalho->Escrever(BytesDaLinha(linhas[static_cast<std::size_t>(i)]));
    trabalho->Concluir();
}

void ImprimirPaginas(const TParametros& p, Tela& tela, SistemaImpressao& sistema,
                     const std::string& impressora, const std::vector<std::string>& linhas) {
    if (RelatorioEmBranco(linhas))
        return;
    if (!sistema.Existe(impressora)) {
        tela.Mensagem(MensagemImpressoraNaoEncontrada(impressora), TipoMensagem::Aviso);
        return;
    }
    for (const auto& pagina : MontarPaginas(linhas, ValorLinhasPorPagina(p.LinhasPorPagina))) {
        if (tela.Encerrando()) // between two whole jobs, never inside one
            return;
        try {
            ImprimirPagina(sistema, impressora, linhas, pagina);
        } catch (const ErroTrabalhoRecusado& e) {
            tela.Mensagem(MensagemPaginaRecusada(impressora, pagina.Numero, e.what()),
                          TipoMensagem::Aviso);
            return;
        }
    }
}

} // namespace

std::string BytesDaLinha(const std::string& linha) {
    std::string bytes;
    bytes.reserve(linha.size() + 4);
    bytes += '\x0F';
    bytes += linha;
    bytes += "\x12\r\n";
    return bytes;
}

void ImprimirRaw(const TParametros& p, Tela& tela, SistemaImpressao& sistema,
                 const std::string& impressora) {
    ImprimirPaginas(p, tela, sistema, impressora, tela.LinhasRelatorio());
    tela.ProcessarMensagens();
}

} // namespace tessela
