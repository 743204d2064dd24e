// The print system through CUPS, printer selection and raw printing, against the private
// cupsd of the CupsServer fixture.

#include "printing/cups_teste.h"
#include "printing/raw.h"
#include "printing/selecao.h"
#include "printing/sistema_cups.h"
#include "printing/tela_impressao.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace tessela {
namespace {

namespace fs = std::filesystem;
using teste::MensagemVista;
using teste::TelaDeImpressao;

// The fixture's queues, in CUPS's order (by name, without regard to case).
const std::vector<std::string> kFilas = {
    "Bruta",  "HP_LaserJet_Recepcao", "Impress\xE3o_Fiscal", "LaserJet_Sala_2",
    "Laudo",  "Laudo_Sala",           "PDF_Laudo",           "PDF_Margens",
    "Recusa",
};

const std::string kListaDeFilas = "Bruta\rHP_LaserJet_Recepcao\rImpress\xE3o_Fiscal\r"
                                  "LaserJet_Sala_2\rLaudo\rLaudo_Sala\rPDF_Laudo\rPDF_Margens\r"
                                  "Recusa\r";

class SistemaCupsReal : public teste::ComCups {
protected:
    SistemaCups cups;
};

TEST_F(SistemaCupsReal, ImpressorasNaOrdemDoCups) {
    EXPECT_EQ(cups.Impressoras(), kFilas);
}

TEST_F(SistemaCupsReal, PadraoDoUsuarioLidoEGravadoNoLpoptions) {
    EXPECT_EQ(cups.Padrao(), std::nullopt); // the server has no default of its own
    cups.DefinirPadrao("Laudo_Sala");
    EXPECT_EQ(cups.Padrao(), "Laudo_Sala");
    EXPECT_EQ(teste::OpcoesDoUsuario(), "Default Laudo_Sala\n");
    // A non-ASCII name goes to CUPS in UTF-8 and comes back in code page 1252.
    cups.DefinirPadrao("Impress\xE3o_Fiscal");
    EXPECT_EQ(cups.Padrao(), "Impress\xE3o_Fiscal");
    EXPECT_EQ(teste::OpcoesDoUsuario(), "Default Impress\xC3\xA3o_Fiscal\n");
}

// The user's own lpoptions command, run while a print has lent the default: what it chose
// stays when the print gives the default back.
TEST_F(SistemaCupsReal, PadraoOuOpcoesDoComandoLpoptionsNoMeioDaImpressaoFicam) {
    const std::vector<std::pair<std::string, std::string>> comandos = {
        {"lpoptions -d Laudo", "Laudo"},
        {"lpoptions -o sides=two-sided-long-edge", "PDF_Laudo"},
    };
    for (const auto& [comando, padrao] : comandos) {
        teste::EsquecerOpcoesDoUsuario();
        cups.DefinirPadrao("Bruta");
        const auto mudanca = cups.DefinirPadrao("PDF_Laudo");
        ASSERT_EQ(std::system((comando + " >/dev/null").c_str()), 0) << comando;
        const std::string escolhido = teste::OpcoesDoUsuario();
        cups.DevolverPadrao(*mudanca);
        EXPECT_EQ(teste::OpcoesDoUsuario(), escolhido) << comando;
        EXPECT_EQ(cups.Padrao(), padrao) << escolhido;
    }
    EXPECT_NE(teste::OpcoesDoUsuario().find("sides=two-sided-long-edge"), std::string::npos);
}

TEST_F(SistemaCupsReal, ExisteSoComONomeExato) {
    EXPECT_TRUE(cups.Existe("Bruta"));
    EXPECT_TRUE(cups.Existe("Impress\xE3o_Fiscal"));
    EXPECT_FALSE(cups.Existe("bruta")); // CUPS itself would take it
    EXPECT_FALSE(cups.Existe("Brut"));
    EXPECT_FALSE(cups.Existe(""));
}

TEST_F(SistemaCupsReal, ResolucaoPadraoDaImpressora) {
    // The cups-pdf driver's default resolution; a raw queue reports none.
    const auto pdf = cups.ResolucaoPadrao("PDF_Laudo");
    ASSERT_TRUE(pdf);
    EXPECT_EQ(pdf->horizontal, 300);
    EXPECT_EQ(pdf->vertical, 300);
    // Each direction on its own: the second PDF queue's driver says 1200 x 600 dpi.
    const auto margens = cups.ResolucaoPadrao("PDF_Margens");
    ASSERT_TRUE(margens);
    EXPECT_EQ(margens->horizontal, 1200);
    EXPECT_EQ(margens->vertical, 600);
    EXPECT_FALSE(cups.ResolucaoPadrao("Bruta"));
    EXPECT_FALSE(cups.ResolucaoPadrao("Inexistente"));
}

TEST_F(SistemaCupsReal, TrabalhoRecusadoTrazOTextoDoCups) {
    try {
        cups.CriarTrabalho("Recusa", "Pagina_1", FormatoDocumento::Bruto)->Concluir();
        FAIL() << "the rejecting queue took a job";
    } catch (const ErroTrabalhoRecusado& e) {
        EXPECT_NE(std::string(e.what()).find("not accepting jobs"), std::string::npos) << e.what();
    }
}

// ---- selection of the report printer ------------------------------------------------

class Selecao : public SistemaCupsReal {
protected:
    TSessao sessao;
    TelaDeImpressao tela;

    bool Localizar(const std::string& configurada) {
        sessao.ImpressoraRelatorios = configurada;
        return LocalizarImpressora(sessao, tela, cups, cups.Impressoras());
    }
};

TEST_F(Selecao, NomeExatoAntesDaContencao) {
    // Laudo_Sala also contains "Laudo" and comes later, but the exact pass wins.
    ASSERT_TRUE(Localizar("Laudo"));
    EXPECT_EQ(sessao.ImpressoraRelatorios, "Laudo");
    EXPECT_EQ(ImpressoraPadrao(cups), "Laudo");
    EXPECT_TRUE(tela.mensagens.empty());
}

TEST_F(Selecao, ContencaoTomaONomeCompletoEAProximaImpressaoOAchaExato) {
    ASSERT_TRUE(Localizar("recepcao"));
    EXPECT_EQ(sessao.ImpressoraRelatorios, "HP_LaserJet_Recepcao");
    EXPECT_EQ(ImpressoraPadrao(cups), "HP_LaserJet_Recepcao");

    cups.DefinirPadrao("Bruta");
    ASSERT_TRUE(LocalizarImpressora(sessao, tela, cups, cups.Impressoras()));
    EXPECT_EQ(sessao.ImpressoraRelatorios, "HP_LaserJet_Recepcao");
    EXPECT_EQ(ImpressoraPadrao(cups), "HP_LaserJet_Recepcao");
    EXPECT_TRUE(tela.mensagens.empty());
}

TEST_F(Selecao, DeDuasQueContemAUltimaDaLista) {
    ASSERT_TRUE(Localizar("laserjet"));
    EXPECT_EQ(sessao.ImpressoraRelatorios, "LaserJet_Sala_2");
    EXPECT_EQ(ImpressoraPadrao(cups), "LaserJet_Sala_2");
    // "laudo" differs from Laudo in case: containment, where Laudo, Laudo_Sala and
    // PDF_Laudo match and the last of them wins.
    ASSERT_TRUE(Localizar("laudo"));
    EXPECT_EQ(sessao.ImpressoraRelatorios, "PDF_Laudo");
}

TEST_F(Selecao, LetrasAcentuadasNaoMudamDeCaixa) {
    EXPECT_FALSE(Localizar("IMPRESS\xC3O"));
    ASSERT_EQ(tela.mensagens.size(), 1u);
    EXPECT_EQ(tela.mensagens[0],
              (MensagemVista{"A impressora \"IMPRESS\xC3O\" informada n\xE3o corresponde a "
                             "nenhuma das impressoras instaladas no servidor.\r"
                             "As op\xE7\xF5"
                             "es dispon\xEDveis s\xE3o:\r" +
                                 kListaDeFilas,
                             TipoMensagem::Simples}));
    EXPECT_EQ(ImpressoraPadrao(cups), std::nullopt);

    ASSERT_TRUE(Localizar("impress\xE3o"));
    EXPECT_EQ(sessao.ImpressoraRelatorios, "Impress\xE3o_Fiscal");
    EXPECT_EQ(ImpressoraPadrao(cups), "Impress\xE3o_Fiscal");
}

TEST_F(Selecao, NomeVazioDuasMensagensEmOrdem) {
    cups.DefinirPadrao("Laudo");
    EXPECT_FALSE(Localizar(""));
    const std::vector<MensagemVista> esperadas = {
        {"N\xE3o foi especificado o local da impress\xE3o do Laudo C.Q. no campo \"Impressora "
         "Relat\xF3rios\" (CAMINHOSEQUENCIAL1) da tabela das \"\xC1reas de Trabalho\" "
         "(ESTACOES).",
         TipoMensagem::Simples},
        {"Impressoras instaladas: \r" + kListaDeFilas, TipoMensagem::Simples},
    };
    EXPECT_EQ(tela.mensagens, esperadas);
    EXPECT_EQ(ImpressoraPadrao(cups), "Laudo");
}

TEST_F(Selecao, DefinirPadraoSoComNomeInstaladoExato) {
    const auto instaladas = cups.Impressoras();
    DefinirImpressoraPadrao(cups, instaladas, "Laudo_Sala");
    EXPECT_EQ(ImpressoraPadrao(cups), "Laudo_Sala");
    DefinirImpressoraPadrao(cups, instaladas, "LAUDO");
    DefinirImpressoraPadrao(cups, {"Bruta"}, "Laudo"); // installed, but not in the list
    EXPECT_EQ(ImpressoraPadrao(cups), "Laudo_Sala");
}

// ---- raw printing -------------------------------------------------------------------

// Three pages with four lines per page: lines 0-3, 4-7 and 8-9; 10 and 11 lie on no page.
const std::vector<std::string> kRelatorio = {
    "     ",
    "     +--------------------------------------------------+",
    "     | LAUDO DE ANALISE DO CONTROLE DE QUALIDADE        |",
    "     | Descri\xE7\xE3o: solu\xE7\xE3o oral de \xE1"
    "cido asc\xF3rbico",
    "",
    "     " + std::string(120, '-'),
    "     | Lote: L2301   Validade: 12/2027",
    "     | Fornecedor: DISTRIBUIDORA CENTRAL",
    "     | Aprovado: ( ) Sim   ( ) N\xE3o",
    "     +--------------------------------------------------+",
    " ",
    " ",
};

class ImpressaoBruta : public SistemaCupsReal {
protected:
    TParametros p;
    TelaDeImpressao tela;

    void SetUp() override {
        SistemaCupsReal::SetUp();
        if (IsSkipped())
            return;
        p.LinhasPorPagina = "4";
        tela.relatorio = kRelatorio;
        cups.DefinirPadrao("Laudo");
        opcoesAntes = teste::OpcoesDoUsuario();
        capturasAntes = teste::CapturasBrutas().size();
        ultimoTrabalho = teste::UltimoTrabalho();
    }

    // Nothing reached the printer, and the user's default is as it was.
    void EsperarNadaEnviado() {
        EXPECT_EQ(teste::UltimoTrabalho(), ultimoTrabalho);
        EXPECT_EQ(teste::CapturasBrutas().size(), capturasAntes);
        EXPECT_EQ(teste::OpcoesDoUsuario(), opcoesAntes);
    }

    std::string opcoesAntes;
    std::size_t capturasAntes = 0;
    int ultimoTrabalho = 0;
};

TEST_F(ImpressaoBruta, TresPaginasByteAByte) {
    ImprimirRaw(p, tela, cups, "Bruta");
    EXPECT_TRUE(tela.mensagens.empty());
    EXPECT_EQ(tela.eventos, (std::vector<std::string>{"ProcessarMensagens"}));

    const auto trabalhos = teste::TrabalhosConcluidosDepois(ultimoTrabalho);
    ASSERT_EQ(trabalhos.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(trabalhos[k].fila, "Bruta");
        EXPECT_EQ(trabalhos[k].titulo, "Pagina_" + std::to_string(k + 1));
    }
    const auto capturas = teste::AguardarCapturas(capturasAntes + 3);
    ASSERT_EQ(capturas.size(), capturasAntes + 3);
    for (std::size_t k = 0; k < 3; ++k) {
        const fs::path dourado =
            fs::path(TESSELA_DOURADOS) / ("bruta_pagina_" + std::to_string(k + 1) + ".bin");
        EXPECT_EQ(teste::LerArquivo(capturas[capturasAntes + k]), teste::LerArquivo(dourado))
            << "page " << k + 1;
    }
    EXPECT_EQ(teste::OpcoesDoUsuario(), opcoesAntes);
    EXPECT_EQ(cups.Padrao(), "Laudo");
}

TEST_F(ImpressaoBruta, ImpressoraDesconhecidaAvisaENadaEnvia) {
    const auto aviso = [](const std::string& nome) {
        return MensagemVista{"Impressora \"" + nome +
                                 "\" n\xE3o encontrada.\rO Laudo do Controle de Qualidade n\xE3o "
                                 "ser\xE1 impresso. ",
                             TipoMensagem::Aviso};
    };
    ImprimirRaw(p, tela, cups, "Matricial");
    ImprimirRaw(p, tela, cups, "bruta"); // the queue exists as Bruta only
    ImprimirRaw(p, tela, cups, "");
    EXPECT_EQ(tela.mensagens,
              (std::vector<MensagemVista>{aviso("Matricial"), aviso("bruta"), aviso("")}));
    EXPECT_EQ(tela.eventos.back(), "ProcessarMensagens");
    EsperarNadaEnviado();
}

TEST_F(ImpressaoBruta, RelatorioEmBrancoNaoImprimeNemAvisa) {
    tela.relatorio = {"        "};
    ImprimirRaw(p, tela, cups, "Bruta");
    tela.relatorio = {};
    ImprimirRaw(p, tela, cups, "Matricial");
    EXPECT_TRUE(tela.mensagens.empty());
    EXPECT_EQ(tela.eventos, (std::vector<std::string>{"ProcessarMensagens", "ProcessarMensagens"}));
    EsperarNadaEnviado();
}

TEST_F(ImpressaoBruta, TrabalhoRecusadoAvisaComOTextoDoCupsEPara) {
    ImprimirRaw(p, tela, cups, "Recusa");
    ASSERT_EQ(tela.mensagens.size(), 1u); // one warning, not one per page
    const auto& aviso = tela.mensagens[0];
    EXPECT_EQ(aviso.tipo, TipoMensagem::Aviso);
    EXPECT_EQ(aviso.texto.rfind("A impressora \"Recusa\" recusou a p\xE1gina 1 do Laudo do "
                                "Controle de Qualidade:\r",
                                0),
              0u)
        << aviso.texto;
    EXPECT_NE(aviso.texto.find("not accepting jobs"), std::string::npos) << aviso.texto;
    EXPECT_EQ(tela.eventos.back(), "ProcessarMensagens");
    EsperarNadaEnviado();
}

} // namespace
} // namespace tessela

int main(int argc, char** argv) {
    tessela::teste::PrepararAmbienteCups();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
