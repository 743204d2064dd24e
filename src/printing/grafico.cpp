#include "printing/grafico.h"

#include "common/cores.h"
#include "common/texto.h"
#include "common/texto_qt.h"
#include "printing/mensagens.h"
#include "printing/paginas.h"
#include "printing/selecao.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRectF>
#include <QString>
#include <QTemporaryFile>
#include <cmath>
#include <optional>
#include <vector>

namespace tessela {

namespace {

constexpr const char* kEntrelinhamentoPequeno =
    "Erro de configura\xE7\xE3o em MAGNOLIA.INI:\r"
    "-> Entrelinhamento muito pequeno ou inexistente.\r"
    "   O relat\xF3rio n\xE3o ser\xE1 gerado corretamente";

constexpr const char* kContinuarPdf = "Tecle <enter> para continuar a impress\xE3o em PDF.";

constexpr const char* kFonteReserva = "Consolas";
constexpr int kPontosReserva = 8;

bool EntrelinhamentoValido(const TParametros& p) {
    return p.EntrelinhamentoLaudo >= 4 || p.EntrelinhamentoCorpo >= 4;
}

bool FaceDisponivel(const QString& face) {
    return !face.isEmpty() && QFontDatabase::hasFamily(face);
}

// FonteLaudo, else Consolas, else the system's fixed-pitch face. An empty FonteLaudo
// leaves the painter's own face.
void EscolherFace(QFont& fonte, const std::string& fonteLaudo) {
    if (fonteLaudo.empty())
        return;
    for (const QString& face : {ParaQt(fonteLaudo), QString(kFonteReserva)})
        if (FaceDisponivel(face)) {
            fonte.setFamily(face);
            return;
        }
    fonte = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fonte.setStyleHint(QFont::Monospace);
    fonte.setFixedPitch(true);
}

// Em height in device pixels: the point size at the vertical resolution.
QFont FonteDoLaudo(const TParametros& p, int dpiY) {
    QFont fonte;
    EscolherFace(fonte, p.FonteLaudo);
    const int pontos = p.TamanhoFonteLaudo > 0 ? p.TamanhoFonteLaudo : kPontosReserva;
    fonte.setPixelSize(static_cast<int>(std::lround(pontos * dpiY / 72.0)));
    fonte.setWeight(QFont::Normal);
    fonte.setItalic(false);
    fonte.setUnderline(false);
    fonte.setStrikeOut(false);
    return fonte;
}

// The job options Qt's own CUPS engine gives a document of this printer.
OpcoesTrabalho OpcoesDoDocumento(const QPrinter& impressora) {
    OpcoesTrabalho opcoes{{"media", impressora.pageLayout().pageSize().key().toStdString()}};
    switch (impressora.duplex()) {
    case QPrinter::DuplexNone:
        opcoes.emplace_back("sides", "one-sided");
        break;
    case QPrinter::DuplexShortSide:
        opcoes.emplace_back("sides", "two-sided-short-edge");
        break;
    case QPrinter::DuplexAuto:
    case QPrinter::DuplexLongSide:
        opcoes.emplace_back("sides", "two-sided-long-edge");
        break;
    }
    if (impressora.pageLayout().orientation() == QPageLayout::Landscape)
        opcoes.emplace_back("landscape", "");
    return opcoes;
}

// Hands the page's document to the print system as one job. Returns the reason when the
// print system refused it.
std::optional<std::string> EnviarPagina(const QPrinter& impressora, SistemaImpressao& sistema,
                                        const std::string& nome) {
    QFile arquivo(impressora.outputFileName());
    if (!arquivo.open(QIODevice::ReadOnly))
        return std::string("O documento n\xE3o p\xF4"
                           "de ser lido.");
    const QByteArray documento = arquivo.readAll();
    try {
        auto trabalho = sistema.CriarTrabalho(nome, impressora.docName().toStdString(),
                                              FormatoDocumento::Pdf, OpcoesDoDocumento(impressora));
        trabalho->Escrever(
            std::string_view(documento.constData(), static_cast<std::size_t>(documento.size())));
        trabalho->Concluir();
    } catch (const ErroTrabalhoRecusado& e) {
        return std::string(e.what());
    }
    return std::nullopt;
}

// Draws one page as one print document. Returns the reason when the page did not reach
// the print system; a print system that does not answer is an ErroImpressao.
std::optional<std::string> ImprimirPagina(QPrinter& impressora, const TParametros& p,
                                          SistemaImpressao& sistema, const std::string& nome,
                                          const Resolucao& resolucao,
                                          const std::vector<std::string>& linhas,
                                          const TPagina& pagina) {
    if (!sistema.Existe(nome))
        return "A impressora \"" + nome + "\" n\xE3o existe mais.";
    impressora.setDocName(QStringLiteral("Pagina_%1").arg(pagina.Numero));
    QPainter pintor;
    if (!pintor.begin(&impressora))
        return std::string("O documento n\xE3o p\xF4"
                           "de ser iniciado.");

    // The painter's unit is the vertical device pixel (PrepararImpressora): the em height
    // and the line positions are in it as they are, x is converted from horizontal ones.
    const double x = static_cast<double>(std::lround(resolucao.horizontal / 25.4)) *
                     resolucao.vertical / resolucao.horizontal;
    pintor.setFont(FonteDoLaudo(p, resolucao.vertical));
    pintor.setPen(CorDoValor(p.CorFonte, QGuiApplication::palette()));
    const double largura = impressora.width() > x ? impressora.width() - x : 1.0;
    const double altura = pintor.fontMetrics().height();
    int n = 1;
    for (auto i = pagina.PrimeiraLinha; i <= pagina.UltimaLinha; ++i, ++n) {
        const double y = p.EntrelinhamentoLaudo * (5.0 * n + 10.0);
        pintor.drawText(QRectF(x, y, largura, altura),
                        Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip | Qt::TextSingleLine,
                        ParaQt(linhas[static_cast<std::size_t>(i)]));
    }
    if (!pintor.end())
        return std::string("O documento n\xE3o p\xF4"
                           "de ser conclu\xED"
                           "do.");
    return EnviarPagina(impressora, sistema, nome);
}

Resolucao ResolucaoDaImpressora(SistemaImpressao& sistema, const std::string& nome) {
    const auto resolucao = sistema.ResolucaoPadrao(nome);
    return resolucao ? *resolucao : Resolucao{kResolucaoSemInformacao, kResolucaoSemInformacao};
}

// The selected printer as its queue describes it: its default paper, and the painter's
// origin at the top-left corner of the area it declares printable (its minimum margins;
// Qt's own are 10 pt, or whatever an earlier printer of this QPrinter left). Qt takes one
// resolution for both directions: the vertical one, so that the em height and the line
// positions are whole device pixels. Qt's high resolution, a fixed 1200 dpi, would make
// the configured line spacing wrong. Qt's CUPS engine draws each page into the file
// (a name without ".pdf" keeps that engine) and the program sends it itself, on a
// connection that an end of the run can cut.
std::optional<std::string> PrepararImpressora(QPrinter& impressora, const std::string& nome,
                                              const Resolucao& resolucao, const QString& arquivo) {
    const QString nomeQt = ParaQt(nome);
    impressora.setPrinterName(nomeQt);
    // An unknown name silently keeps the previous printer.
    if (impressora.printerName() != nomeQt)
        return std::string("A impressora n\xE3o p\xF4"
                           "de ser selecionada.");
    impressora.setOutputFileName(arquivo);
    // Qt starts every printer on A4, whatever paper the queue holds.
    const QPageSize folha = QPrinterInfo::printerInfo(nomeQt).defaultPageSize();
    if (folha.isValid())
        impressora.setPageSize(folha);
    impressora.setResolution(resolucao.vertical);
    const QPageLayout layout = impressora.pageLayout();
    if (!impressora.setPageMargins(layout.minimumMargins(), layout.units()))
        return std::string("A \xE1rea de impress\xE3o da impressora n\xE3o p\xF4"
                           "de ser usada.");
    return std::nullopt;
}

void ImprimirPaginas(const TParametros& p, TSessao& s, Tela& tela, SistemaImpressao& sistema,
                     std::chrono::milliseconds espera) {
    const std::string nome = s.ImpressoraRelatorios;
    const auto linhas = tela.LinhasRelatorio();
    const auto paginas = MontarPaginas(linhas, ValorLinhasPorPagina(p.LinhasPorPagina));
    if (paginas.empty())
        return;
    QTemporaryFile arquivo(QDir::tempPath() + QStringLiteral("/tessela-pagina-XXXXXX"));
    if (!arquivo.open())
        throw ErroEntradaSaida(
            "N\xE3o foi poss\xEDvel criar o arquivo tempor\xE1rio da p\xE1gina: " +
            DeQt(arquivo.errorString()));
    QPrinter impressora;
    const Resolucao resolucao = ResolucaoDaImpressora(sistema, nome);
    if (const auto falha = PrepararImpressora(impressora, nome, resolucao, arquivo.fileName())) {
        tela.Mensagem(MensagemPaginaRecusada(nome, paginas.front().Numero, *falha),
                      TipoMensagem::Aviso);
        return;
    }
    for (const auto& pagina : paginas) {
        if (tela.Encerrando()) // between two whole documents, never inside one
            return;
        if (const auto falha =
                ImprimirPagina(impressora, p, sistema, nome, resolucao, linhas, pagina)) {
            tela.Mensagem(MensagemPaginaRecusada(nome, pagina.Numero, *falha), TipoMensagem::Aviso);
            return;
        }
        // The run may end here, between two whole pages; the default printer is given
        // back all the same.
        if (tela.Esperar(espera))
            return;
        if (MaiusculasAZ(s.ImpressoraRelatorios).find("PDF") != std::string::npos)
            tela.Mensagem(kContinuarPdf, TipoMensagem::Simples);
    }
}

void SelecionarEImprimir(const TParametros& p, TSessao& s, Tela& tela, SistemaImpressao& sistema,
                         const std::vector<std::string>& instaladas,
                         std::chrono::milliseconds espera, PadraoEmprestado& padrao) {
    // A print begun as the run ends lends nothing and prints nothing.
    if (tela.Encerrando() || !LocalizarImpressora(s, tela, sistema, instaladas, &padrao))
        return;
    if (!EntrelinhamentoValido(p)) {
        tela.Mensagem(kEntrelinhamentoPequeno, TipoMensagem::Simples);
        return;
    }
    ImprimirPaginas(p, s, tela, sistema, espera);
}

// Gives the default back; a failure says which printer could not be given back.
void Devolver(PadraoEmprestado& padrao, const std::optional<std::string>& lembrada) {
    try {
        padrao.Devolver();
    } catch (const Erro& e) {
        throw ErroImpressao("N\xE3o foi poss\xEDvel devolver a impressora padr\xE3o \"" +
                            lembrada.value_or("") + "\": " + e.what());
    }
}

} // namespace

void ImprimirGrafico(const TParametros& p, TSessao& s, TImpressorasInstaladas& registro, Tela& tela,
                     SistemaImpressao& sistema, std::chrono::milliseconds espera,
                     Interrupcao* interrupcao) {
    const auto lembrada = ImpressoraPadrao(sistema);
    const std::vector<std::string>& instaladas = ImpressorasInstaladas(registro, sistema);
    // Lent for the print: what making the report printer the default changed is given
    // back, and nothing else, so that a default chosen meanwhile (by the user, by another
    // print of the same user) stays. Without asking the print system, which may be gone
    // by then. With no default before the print, the printer selected stays the default.
    PadraoEmprestado padrao(sistema, interrupcao, lembrada.has_value());
    try {
        SelecionarEImprimir(p, s, tela, sistema, instaladas, espera, padrao);
    } catch (...) {
        // The error that interrupted the print is the one that goes on; a default that
        // could not be given back is told first.
        try {
            Devolver(padrao, lembrada);
        } catch (const Erro& e) {
            tela.Mensagem(e.what(), TipoMensagem::Erro);
        }
        throw;
    }
    Devolver(padrao, lembrada);
}

} // namespace tessela
