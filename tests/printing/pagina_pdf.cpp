#include "printing/pagina_pdf.h"

#include "printing/cups_teste.h"

#include <QPainter>
#include <QPrinter>
#include <QRectF>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cups/cups.h>
#include <iterator>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace tessela::teste {

namespace fs = std::filesystem;

namespace {

std::smatch Procurar(const std::string& texto, const std::string& padrao, const std::string& onde) {
    std::smatch m;
    if (!std::regex_search(texto, m, std::regex(padrao)))
        throw std::runtime_error("no " + padrao + " in " + onde);
    return m;
}

// The face of pdffonts' table, without the six-letter subset prefix; it must be the only one.
std::string FonteDoPdf(const fs::path& pdf) {
    std::istringstream linhas(Executar("pdffonts '" + pdf.string() + "'"));
    std::vector<std::string> fontes;
    bool tabela = false;
    for (std::string linha; std::getline(linhas, linha);) {
        if (linha.rfind("---", 0) == 0) {
            tabela = true;
            continue;
        }
        if (!tabela || linha.empty())
            continue;
        std::string nome = linha.substr(0, linha.find(' '));
        if (nome.size() > 7 && nome[6] == '+')
            nome.erase(0, 7);
        fontes.push_back(nome);
    }
    if (fontes.size() != 1)
        throw std::runtime_error(pdf.string() + " does not use exactly one face");
    return fontes.front();
}

// The one font descriptor's /Ascent or /Descent, in units of the font size.
double MetricaDoDescritor(const std::string& bytes, const std::string& chave, const fs::path& pdf) {
    const std::regex padrao("/" + chave + R"(\s+(-?[0-9.]+))");
    std::sregex_iterator i(bytes.begin(), bytes.end(), padrao), fim;
    if (std::distance(i, fim) != 1)
        throw std::runtime_error(pdf.string() + " does not hold exactly one /" + chave);
    return std::stod((*i)[1]) / 1000.0;
}

// The calibration word: drawn with its cell top here, in points from the paper's corner
// (one and two inches: whole pixels at any resolution).
constexpr double kCalibracaoX = 72.0, kCalibracaoTopo = 144.0;
const char* const kCalibracaoPalavra = "Hg";

} // namespace

std::string Executar(const std::string& comando) {
    std::string saida;
    FILE* f = popen(comando.c_str(), "r");
    if (f == nullptr)
        throw std::runtime_error("cannot run " + comando);
    char bloco[4096];
    for (std::size_t n; (n = fread(bloco, 1, sizeof bloco, f)) > 0;)
        saida.append(bloco, n);
    if (pclose(f) != 0)
        throw std::runtime_error("failed: " + comando);
    return saida;
}

PaginaPdf LerPaginaPdf(const fs::path& pdf) {
    const std::string xhtml = Executar("pdftotext -bbox '" + pdf.string() + "' -");
    const auto primeira = xhtml.find("<page ");
    if (primeira == std::string::npos || primeira != xhtml.rfind("<page "))
        throw std::runtime_error(pdf.string() + " does not hold exactly one page");
    PaginaPdf pagina;
    const auto tamanho =
        Procurar(xhtml, R"re(<page width="([0-9.]+)" height="([0-9.]+)")re", pdf.string());
    pagina.largura = std::stod(tamanho[1]);
    pagina.altura = std::stod(tamanho[2]);
    static const std::regex palavra(
        R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="([0-9.]+)" yMax="([0-9.]+)">([^<]*)</word>)re");
    for (std::sregex_iterator i(xhtml.begin(), xhtml.end(), palavra), fim; i != fim; ++i) {
        const auto& m = *i;
        pagina.palavras[m[5]] = {m[5], std::stod(m[1]), std::stod(m[2]), std::stod(m[3]),
                                 std::stod(m[4])};
    }
    pagina.fonte = FonteDoPdf(pdf);
    const std::string bytes = LerArquivo(pdf);
    pagina.ascent = MetricaDoDescritor(bytes, "Ascent", pdf);
    pagina.descent = MetricaDoDescritor(bytes, "Descent", pdf);
    return pagina;
}

double TamanhoDaFonte(const Palavra& p, const PaginaPdf& pagina) {
    return (p.yMax - p.yMin) / (pagina.ascent - pagina.descent);
}

double LinhaDeBase(const Palavra& p, const PaginaPdf& pagina) {
    return p.yMin + pagina.ascent * TamanhoDaFonte(p, pagina);
}

Declaracao DeclaracaoDaFila(const std::string& fila) {
    char arquivo[] = "/tmp/tessela-ppd.XXXXXX";
    const int fd = mkstemp(arquivo);
    if (fd < 0)
        throw std::runtime_error("mkstemp failed");
    close(fd);
    // cupsGetFile needs a connection of its own.
    http_t* http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, HTTP_ENCRYPTION_NEVER,
                                1, 30000, nullptr);
    const http_status_t estado =
        http ? cupsGetFile(http, ("/printers/" + fila + ".ppd").c_str(), arquivo)
             : HTTP_STATUS_ERROR;
    httpClose(http);
    const std::string ppd = estado == HTTP_STATUS_OK ? LerArquivo(arquivo) : std::string();
    fs::remove(arquivo);
    if (ppd.empty())
        throw std::runtime_error("the server gave no PPD for " + fila);

    Declaracao d;
    d.folha = Procurar(ppd, R"(\*DefaultPageSize:\s*(\S+))", fila)[1];
    const auto dimensao = Procurar(
        ppd, R"(\*PaperDimension )" + d.folha + R"re([/:][^"]*"([0-9.]+) ([0-9.]+)")re", fila);
    d.larguraFolha = std::stod(dimensao[1]);
    d.alturaFolha = std::stod(dimensao[2]);
    // "llx lly urx ury", PostScript points from the paper's bottom-left corner.
    const auto area = Procurar(ppd,
                               R"(\*ImageableArea )" + d.folha +
                                   R"re([/:][^"]*"([0-9.]+) ([0-9.]+) ([0-9.]+) ([0-9.]+)")re",
                               fila);
    d.esquerda = std::stod(area[1]);
    d.base = std::stod(area[2]);
    d.direita = d.larguraFolha - std::stod(area[3]);
    d.topo = d.alturaFolha - std::stod(area[4]);
    const auto resolucao = Procurar(ppd, R"(\*DefaultResolution:\s*([0-9]+)(x([0-9]+))?dpi)", fila);
    d.dpiX = std::stoi(resolucao[1]);
    d.dpiY = resolucao[3].matched ? std::stoi(resolucao[3]) : d.dpiX;
    return d;
}

Calibracao CalibrarFonte(const QFont& face, int emPixels, int dpi) {
    const fs::path pasta = PastaPdfVazia();
    const int antes = UltimoTrabalho();
    {
        QPrinter impressora;
        impressora.setPrinterName("PDF_Laudo");
        impressora.setFullPage(true);
        impressora.setResolution(dpi);
        impressora.setDocName("Calibracao");
        QFont fonte(face);
        fonte.setPixelSize(emPixels);
        QPainter pintor(&impressora);
        pintor.setFont(fonte);
        const double escala = dpi / 72.0;
        pintor.drawText(QRectF(kCalibracaoX * escala, kCalibracaoTopo * escala, 2000, 400),
                        Qt::AlignLeft | Qt::AlignTop, kCalibracaoPalavra);
    }
    if (TrabalhosConcluidosDepois(antes).size() != 1)
        throw std::runtime_error("the calibration page was not printed as one job");
    const PaginaPdf pagina = LerPaginaPdf(pasta / "Calibracao.pdf");
    const auto achada = pagina.palavras.find(kCalibracaoPalavra);
    if (achada == pagina.palavras.end())
        throw std::runtime_error("the calibration page lacks its word");
    const Palavra& w = achada->second;
    if (std::abs(w.xMin - kCalibracaoX) > 0.05)
        throw std::runtime_error("the print chain moved the calibration word to x = " +
                                 std::to_string(w.xMin));
    return {LinhaDeBase(w, pagina) - kCalibracaoTopo, pagina.fonte};
}

double TopoDaCelula(const Palavra& p, const PaginaPdf& pagina, const Calibracao& c) {
    return LinhaDeBase(p, pagina) - c.ascent;
}

} // namespace tessela::teste
