#pragma once

// The run against the real test server and the test share: a program folder with its
// MAGNOLIA.INI, the records of the run, the data module set up by DataModuleCreate and
// a recording screen. Tests that use it run inside tests/support/com-compartilhamento.sh
// and need the FirebirdServer fixture.

#include "common/datas.h"
#include "database/dm.h"
#include "report/tela_registro.h"
#include "settings/parametros.h"
#include "common/sessao.h"
#include "support/apoio.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tessela::teste {

namespace fs = std::filesystem;

// The clock of every run under test: 8 December 2026, 14:05:09.
inline constexpr DataHora kAgoraFixo{8, 12, 2026, 14, 5, 9};

// A connection to one of the test server's databases by its short alias ("dados",
// "interfac03"), with the program's stored parameters.
inline std::unique_ptr<TSQLConnection> ConexaoDeTeste(const std::string& alias) {
    TDM modelo;
    auto c = std::make_unique<TSQLConnection>("Teste", modelo.SQLConnection2.Parametros());
    c->DefinirParametro("Database", "127.0.0.1:" + alias);
    return c;
}

// The column V of the first row, "<no row>" without one.
inline std::string Consultar(TSQLConnection& c, const std::string& sql,
                             std::vector<Valor> valores = {}) {
    TSQLQuery q(c);
    q.SQL = sql;
    q.Valores = std::move(valores);
    q.Abrir();
    std::string v = q.Fim() ? std::string("<no row>") : q.Texto("V");
    q.Fechar();
    return v;
}

// FICHAPRO of station 03's database as the seed data leaves it.
inline void RestaurarFichaPro(TSQLConnection& interfac03) {
    interfac03.Executar("delete from FICHAPRO");
    interfac03.Executar("insert into FICHAPRO (ESTACAO, LINHA, TEXTO) values ('03', 1, 'LAUDO "
                        "ANTERIOR')");
    interfac03.Executar("insert into FICHAPRO (ESTACAO, LINHA, TEXTO) values ('03', 2, 'LINHA 2')");
    interfac03.Executar(
        "insert into FICHAPRO (ESTACAO, LINHA, TEXTO) values ('04', 1, 'OUTRA ESTACAO')");
}

class Ambiente {
public:
    Ambiente() : compartilhamento_(PastaDoCompartilhamento()) {}

    // Whether the test runs inside the share's namespace.
    bool ComCompartilhamento() const { return !compartilhamento_.empty(); }

    // A share as a fresh build finds it: no diagnostic file, Interfac03 empty.
    void LimparCompartilhamento() {
        fs::remove(compartilhamento_ / "DiagOM.txt");
        fs::remove_all(compartilhamento_ / "Interfac03");
        fs::create_directory(compartilhamento_ / "Interfac03");
    }

    // MAGNOLIA.INI in the program folder, then the presets and DataModuleCreate.
    void Carregar(const std::vector<std::string>& linhasIni) {
        std::string bytes;
        for (const auto& l : linhasIni)
            bytes += l + "\r\n";
        EscreverBytes(programa.Caminho() / "MAGNOLIA.INI", bytes);
        AplicarPredefinicoes(p);
        dm.DataModuleCreate(p, s, tela, programa.ComoPasta(), ',');
    }

    fs::path NoCompartilhamento(const std::string& relativo) const {
        return compartilhamento_ / relativo;
    }

    PastaTemporaria programa;
    TParametros p;
    TSessao s;
    TDM dm;
    TelaRegistro tela;
    Argumentos argumentos{"000123", "L2301", "DISTRIBUIDORA CENTRAL", "12/2027", "maria"};

private:
    fs::path compartilhamento_;
};

} // namespace tessela::teste
