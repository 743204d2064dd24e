#include "startup/estacao.h"

#include "common/texto.h"

namespace tessela {

std::string TextoUltimaAtividade(const DataHora& agora) {
    return "Ultima atividade: " + DataDDMMAA(agora) + " " + HoraHHNNSS(agora);
}

void CarimbarEstacao(TClientDataSet& estacoes, const DataHora& agora) {
    estacoes.Editar();
    estacoes.DefinirTexto("EMUSO", "S");
    estacoes.DefinirTexto("ATCAIXA", TextoUltimaAtividade(agora));
    estacoes.Gravar();
    estacoes.AplicarAtualizacoes();
}

std::string LocalBancoDaEstacao(std::string_view ipServidor, std::string_view estLocal,
                                std::string_view nomeBancoCentral) {
    return std::string(ipServidor) + ":C:\\magnolia\\Interfac" + std::string(estLocal) + "\\" +
           std::string(nomeBancoCentral);
}

std::string MensagemEstacaoNaoSelecionada(std::string_view usuario) {
    const std::string u(usuario);
    return "N\xE3o foi poss\xEDvel selecionar uma \xE1rea de trabalho para o usu\xE1rio \"" + u +
           "\". \r"
           "\r"
           "Causas prov\xE1veis: \r"
           "\r"
           "  1) Na tabela \"Estacoes.db\" n\xE3o foi inclu\xED"
           "da uma esta\xE7\xE3o para o usu\xE1rio \"" +
           u +
           "\".\r"
           "     Obs: Criar tamb\xE9m a \xE1rea de trabalho f\xEDsica (pasta "
           "C:\\Magnolia\\InterfacXX) para este usu\xE1rio.\r"
           "  --> Favor contactar o suporte t\xE9"
           "cnico da KOR SISTEMAS <--";
}

std::string SelecionarEstacao(ContextoExecucao& c) {
    auto& s = c.sessao;
    s.EstLocal.clear();
    s.UsuarioSistema = Cortar(c.argumentos.usuario, 60);
    if (s.UsuarioSistema.empty())
        return {};

    const LinhaDaEstacao linha = c.Inicio->Estacao();
    if (!linha.achada) {
        c.tela.Mensagem(MensagemEstacaoNaoSelecionada(s.UsuarioSistema), TipoMensagem::Simples);
        return {};
    }
    s.EstLocal = Cortar(linha.estacao, 2);
    s.ImpressoraRelatorios = linha.impressora;
    // The station's database is attached beside the stamp only when the run goes on
    // to use it.
    c.Inicio->Carimbar(
        c.Relogio(),
        LocalBancoDaEstacao(c.parametros.IPServidor, s.EstLocal, c.parametros.NomeBancoCentral),
        !linha.banco.empty());
    return linha.banco;
}

} // namespace tessela
