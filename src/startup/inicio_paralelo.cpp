#include "startup/inicio_paralelo.h"

#include "common/texto.h"
#include "startup/estacao.h"

#include <exception>

namespace tessela {

namespace {

template <typename T> void Falhar(std::promise<T>& p) {
    p.set_exception(std::current_exception());
}

} // namespace

InicioParalelo::InicioParalelo(TDM& dm, std::string usuario, std::string codigo)
    : dm_(dm), corte_(dm.InterrupcaoDaExecucao()), corPronta_(cor_.get_future()),
      componentePronto_(componente_.get_future()), linhaPronta_(linha_.get_future()),
      carimbadaPronta_(carimbada_.get_future()), apontadaPronta_(apontada_.get_future()),
      esvaziadaPronta_(esvaziada_.get_future()) {
    for (TSQLConnection* c : {&dm_.SQLConnection2, &dm_.SQLConnectionEstacao, &dm_.SQLConnection3})
        c->DefinirInterrupcao(&corte_);
    try {
        Iniciar(std::move(usuario), std::move(codigo));
    } catch (...) {
        Juntar(); // a thread that could not start
        throw;
    }
}

InicioParalelo::~InicioParalelo() {
    Juntar();
}

void InicioParalelo::Iniciar(std::string usuario, std::string codigo) {
    leituras_ = std::thread([this, codigo = std::move(codigo)] { LerSemEstacao(codigo); });
    if (!usuario.empty())
        estacao_ = std::thread([this, usuario = std::move(usuario)] { LerEstacao(usuario); });
}

// Nothing more is given the go-ahead, what is still asked is cut, and the connections go
// back to the run's end.
void InicioParalelo::Juntar() {
    carimbar_.Retirar();
    esvaziar_.Retirar();
    corte_.CortarTudo();
    for (std::thread* t : {&leituras_, &estacao_, &bancoDaEstacao_})
        if (t->joinable())
            t->join();
    for (TSQLConnection* c : {&dm_.SQLConnection2, &dm_.SQLConnectionEstacao, &dm_.SQLConnection3})
        c->DefinirInterrupcao(dm_.InterrupcaoDaExecucao());
}

// The colour, then the component: Config stays open until then, so that both reads share
// one attachment, which closing the last of them ends. A read cut by the end of the run
// is the last one: the end lets only what closes the run begin after it.
void InicioParalelo::LerSemEstacao(std::string codigo) {
    try {
        dm_.Config.Abrir();
        cor_.set_value(static_cast<std::int32_t>(dm_.Config.Inteiro("CORFUNDO")));
    } catch (const ErroInterrompido&) {
        Falhar(cor_);
        Falhar(componente_);
        return;
    } catch (...) {
        Falhar(cor_);
    }
    try {
        ComponenteLido lido = LerComponente(dm_, codigo);
        dm_.Config.Fechar();
        componente_.set_value(std::move(lido));
    } catch (...) {
        Falhar(componente_);
        try {
            dm_.Config.Fechar(); // the error told is the read's
        } catch (...) {
        }
    }
}

// The row and its stamp share one transaction, which the stamp commits; the attachment
// ends before the sequence goes on, as every step's own does.
void InicioParalelo::LerEstacao(std::string usuario) {
    auto& estacoes = dm_.Estacoes;
    std::optional<DataHora> agora;
    try {
        TEtapaDeAlteracao etapa(dm_.SQLConnectionEstacao);
        try {
            estacoes.Fechar();
            estacoes.SQL = kSqlEstacoesDoUsuario;
            // The name is bound, never spliced: any character of it is only data.
            estacoes.Valores = {MaiusculasAZ(usuario)};
            estacoes.Abrir();
            LinhaDaEstacao linha;
            // The server's upper() and comparison are not ours (trailing blanks, accents).
            linha.achada = MaiusculasAZ(estacoes.Texto("USUARIO")) == MaiusculasAZ(usuario);
            if (linha.achada) {
                linha.estacao = estacoes.Texto("ESTACAO");
                linha.banco = estacoes.Texto("DATBASNAM");
                linha.impressora = estacoes.Texto("CAMINHOSEQUENCIAL1");
            } else {
                etapa.Concluir(); // before any box, so no transaction waits on the user
                estacoes.Fechar();
            }
            linha_.set_value(linha);
            if (!linha.achada)
                return;
        } catch (...) {
            Falhar(linha_);
            return;
        }
        agora = carimbar_.Esperar();
        if (!agora)
            return; // the step rolls back as it goes
        CarimbarEstacao(estacoes, *agora);
        etapa.Concluir();
        estacoes.Fechar();
        carimbada_.set_value();
    } catch (...) {
        if (agora)
            Falhar(carimbada_);
    }
}

void InicioParalelo::AbrirBancoDaEstacao(std::string local, bool anexar) {
    auto& conexao = dm_.SQLConnection3;
    try {
        conexao.Desconectar(); // from its stored location, on this machine
        conexao.DefinirParametro("DataBase", local);
        apontada_.set_value();
    } catch (...) {
        Falhar(apontada_);
        return;
    }
    std::exception_ptr erro; // told when the work table is emptied, where the attach was
    {
        // The emptying's transaction is started while the stamp is made: its turn comes
        // one round trip sooner.
        TEtapaDeAlteracao etapa(conexao);
        try {
            if (anexar)
                conexao.AbrirEtapa();
        } catch (...) {
            erro = std::current_exception();
        }
        if (!esvaziar_.Esperar())
            return; // the step rolls back as it goes
        try {
            if (erro)
                std::rethrow_exception(erro);
            conexao.Executar(kSqlEsvaziarFichaPro);
            etapa.Concluir();
        } catch (...) {
            erro = std::current_exception();
        }
    }
    // Once the step is over: the connection is the sequence's again.
    if (erro)
        esvaziada_.set_exception(erro);
    else
        esvaziada_.set_value();
}

std::int32_t InicioParalelo::CorDoConfig() {
    return corPronta_.get();
}

LinhaDaEstacao InicioParalelo::Estacao() {
    return linhaPronta_.get();
}

void InicioParalelo::Carimbar(const DataHora& agora, const std::string& local, bool anexar) {
    bancoDaEstacao_ = std::thread([this, local, anexar] { AbrirBancoDaEstacao(local, anexar); });
    carimbar_.Liberar(agora);
    carimbadaPronta_.get();
    apontadaPronta_.get();
}

void InicioParalelo::EsvaziarFichaPro() {
    esvaziar_.Liberar(true);
    esvaziadaPronta_.get();
}

ComponenteLido InicioParalelo::Componente() {
    return componentePronto_.get();
}

} // namespace tessela
