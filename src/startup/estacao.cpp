#include "startup/estacao.h"

#include "common/texto.h"

namespace tessela {

namespace {

// EMUSO and the activity text, applied to the row found by its ESTACAO.
void CarimbarEstacao(TClientDataSet& estacoes, const DataHora& agora) {
    estacoes.Editar();
    estacoes.DefinirTexto("EMUSO", "S");
    estacoes.DefinirTexto("ATCAIXA", TextoUltimaAtividade(agora));
    estacoes.Gravar();
    estacoes.AplicarAtualizacoes();
}

} // namespace

std::string TextoUltimaAtividade(const DataHora& agora) {
    return "Ultima atividade: " + DataDDMMAA(agora) + " " + HoraHHNNSS(agora);
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
    auto& estacoes = c.dm.Estacoes;
    s.EstLocal.clear();
    s.UsuarioSistema = Cortar(c.argumentos.usuario, 60);
    if (s.UsuarioSistema.empty())
        return {};

    // The name is bound, never spliced: any character of it is only data. The reading
    // and the stamp share one transaction, which the stamp commits.
    const auto usuario = MaiusculasAZ(s.UsuarioSistema);
    TEtapaDeAlteracao etapa(c.dm.SQLConnection2);
    estacoes.Fechar();
    estacoes.SQL = kSqlEstacoesDoUsuario;
    estacoes.Valores = {usuario};
    estacoes.Abrir();

    // The server's upper() and comparison are not ours (trailing blanks, accents).
    const bool achada = MaiusculasAZ(estacoes.Texto("USUARIO")) == usuario;
    std::string resultado;
    if (achada) {
        s.EstLocal = Cortar(estacoes.Texto("ESTACAO"), 2);
        resultado = estacoes.Texto("DATBASNAM");
        s.ImpressoraRelatorios = estacoes.Texto("CAMINHOSEQUENCIAL1");
        CarimbarEstacao(estacoes, c.Relogio());
    }
    etapa.Concluir(); // before any box, so no transaction waits on the user
    if (!achada) {
        c.tela.Mensagem(MensagemEstacaoNaoSelecionada(s.UsuarioSistema), TipoMensagem::Simples);
    } else {
        c.dm.SQLConnection3.Desconectar();
        c.dm.SQLConnection3.DefinirParametro(
            "DataBase", LocalBancoDaEstacao(c.parametros.IPServidor, s.EstLocal,
                                            c.parametros.NomeBancoCentral));
    }
    estacoes.Fechar();
    return resultado;
}

} // namespace tessela
