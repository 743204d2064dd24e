#pragma once

// What the database tests share: connections to the test server's databases and a
// screen that records its messages.

#include "common/tela.h"
#include "database/conexao.h"
#include "database/dm.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tessela::teste {

// The test server's databases through their short aliases.
inline constexpr const char* kBancoDados = "127.0.0.1:dados";
inline constexpr const char* kBancoInterfac = "127.0.0.1:interfac";

// A connection with the program's stored parameters at another location.
inline std::unique_ptr<TSQLConnection> NovaConexao(const std::string& local,
                                                   const std::string& conjunto = "win1252") {
    TDM modelo;
    auto c = std::make_unique<TSQLConnection>("Teste", modelo.SQLConnection2.Parametros());
    c->DefinirParametro("Database", local);
    c->DefinirParametro("ServerCharSet", conjunto);
    return c;
}

// The single value of a one-row, one-column query.
inline std::string ValorUnico(TSQLConnection& c, const std::string& sql,
                              std::vector<Valor> valores = {}) {
    TSQLQuery q(c);
    q.SQL = sql;
    q.Valores = std::move(valores);
    q.Abrir();
    const std::string v = q.Fim() ? std::string("<no row>") : q.Texto("V");
    q.Fechar();
    return v;
}

class TelaGravadora : public Tela {
public:
    std::vector<std::pair<std::string, TipoMensagem>> mensagens;

    void Mensagem(const std::string& texto, TipoMensagem tipo) override {
        mensagens.emplace_back(texto, tipo);
    }
    void MostrarEspera() override {}
    void TextoEspera(const std::string&) override {}
    void EsconderEspera() override {}
    void DefinirCor(std::int32_t) override {}
    void DefinirTitulo(const std::string&) override {}
    void EsconderEdicoes() override {}
    void LimparRelatorio() override { linhas_.clear(); }
    void AcrescentarLinhaRelatorio(const std::string& linha) override { linhas_.push_back(linha); }
    std::vector<std::string> LinhasRelatorio() const override { return linhas_; }
    void RelatorioAoInicio() override {}
    void MostrarRelatorio() override {}
    void ProcessarMensagens() override {}
    void FecharJanela() override {}

private:
    std::vector<std::string> linhas_;
};

} // namespace tessela::teste
