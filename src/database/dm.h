#pragma once

// The data module: the three connections and the datasets of the program.

#include <string_view>

#include "database/conexao.h"
#include "settings/parametros.h"
#include "startup/sessao.h"

namespace tessela {

class Tela;

class TDM {
public:
    // The stored connections and datasets; nothing is connected yet.
    TDM();

    TSQLConnection SQLConnection1; // Magnolia: interface database
    TSQLConnection SQLConnection2; // MagnDados: main database
    TSQLConnection SQLConnection3; // MagnDados: the station's database

    TClientDataSet Estacoes; // ESTACOES, applied by key ESTACAO
    TClientDataSet Config;   // CONFIG
    TClientDataSet Ensaios;  // ENSAIOS joined with ESPECIFICACOES
    TSQLQuery SQLQuery1;     // the component, on SQLConnection2
    TSQLQuery SQLQuery2;     // on SQLConnection1, never used

    // Loading the module: connections 2 and 3 are stored as connected, so they connect
    // to their stored local location. Throws ErroBanco when either fails.
    void Carregar();

    // LerParametros, CaminhoGDS.txt, connections 2 and 1 re-pointed at the central
    // server. A settings error or an unreadable CaminhoGDS.txt is shown on the screen
    // and skips the remaining steps. A missing MAGNOLIA.INI propagates.
    void DataModuleCreate(TParametros& p, TSessao& s, Tela& tela, std::string_view pastaExecutavel,
                          char separadorDecimal);
};

} // namespace tessela
