#pragma once

// The fixture of the graphic printing tests: a run's settings, session and printer list,
// a recording screen and the private cupsd, with the user's default on the raw queue
// Laudo and the PDF folder emptied.

#include "printing/cups_teste.h"
#include "printing/grafico.h"
#include "printing/sistema_cups.h"
#include "printing/tela_impressao.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace tessela::teste {

inline constexpr std::chrono::milliseconds kEsperaCurta{10};
inline const char* const kFace = "DejaVu Sans Mono"; // the system's fixed-pitch face here

inline const MensagemVista kContinuarPdf{"Tecle <enter> para continuar a impress\xE3o em PDF.",
                                         TipoMensagem::Simples};

class ImpressaoGrafica : public ComCups {
protected:
    TParametros p;
    TSessao s;
    TImpressorasInstaladas instaladas;
    TelaDeImpressao tela;
    SistemaCups cups;
    std::filesystem::path pastaPdf;
    int ultimoTrabalho = 0;
    std::string opcoesAntes;

    void SetUp() override {
        ComCups::SetUp();
        if (IsSkipped())
            return;
        AplicarPredefinicoes(p);
        p.FonteLaudo = kFace;
        p.LinhasPorPagina = "3";
        p.TipoImpressora = "Grafica";
        s.ImpressoraRelatorios = "PDF_Laudo";
        // Lines 0-2, 3-5 and 6 make three pages; 7 and 8 lie on no page.
        tela.relatorio = {"P1L1 cabecalho",
                          "P1L2 borda",
                          "P1L3 | LAUDO DE ANALISE",
                          "P2L1 teste",
                          "     P2L2 recuada",
                          "P2L3 a\xE7\xE3o",
                          "P3L1 rodape",
                          " ",
                          " "};
        cups.DefinirPadrao("Laudo");
        opcoesAntes = OpcoesDoUsuario();
        Esvaziar();
    }

    // A fresh PDF folder, and only the jobs from now on count.
    void Esvaziar() {
        pastaPdf = PastaPdfVazia();
        ultimoTrabalho = UltimoTrabalho();
    }

    void Imprimir() { ImprimirGrafico(p, s, instaladas, tela, cups, kEsperaCurta); }

    std::vector<TrabalhoCups> Trabalhos() { return TrabalhosConcluidosDepois(ultimoTrabalho); }

    // The user's default is as it was before the print.
    void EsperarPadraoDeVolta() {
        EXPECT_EQ(cups.Padrao(), "Laudo");
        EXPECT_EQ(OpcoesDoUsuario(), opcoesAntes);
    }
};

} // namespace tessela::teste
