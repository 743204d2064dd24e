#pragma once

// Measuring printed pages from outside: the PDF files of the private cupsd's cups-pdf
// queues, read with poppler's tools, against what the queue's own driver (its PPD, as the
// server hands it out) declares.
//
// pdftotext -bbox gives each word's box: xMin is the pen position where the word's first
// glyph starts; yMin and yMax are the baseline minus the font's ascent and descent times
// the font size, with the ascent and descent of the PDF's font descriptor. Ghostscript
// writes those from the glyphs of each page's font subset, so the box changes from page
// to page while the baseline does not: the font size is (yMax - yMin) / (ascent -
// descent) and the baseline yMin + ascent × size, both read back exactly.
//
// The top of the character cell, where the program places a line, lies the face's ascent
// as Qt lays it out above the baseline. A calibration page measures that distance: the
// test draws one word itself, in the same face at the same em height in pixels and the
// same resolution as the page to be measured (so that any rounding of the metrics to
// whole pixels is the same), with the top of its cell at a known point of a whole page
// (Qt's full-page mode: the origin is the paper's corner), and prints it through the same
// chain (cups-pdf queue, pdftocairo, Ghostscript). Its baseline minus that known top is
// the distance; on a page in that face and size the cell top is the baseline minus it.
// The calibration word's xMin must land where it was drawn, so the chain neither moves
// nor scales the page.

#include <QFont>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace tessela::teste {

struct Palavra {
    std::string texto;             // UTF-8, as pdftotext gives it
    double xMin, yMin, xMax, yMax; // points from the page's top-left corner
};

// The only page of a PDF file in one face (any other number of pages or faces throws).
struct PaginaPdf {
    double largura = 0, altura = 0; // points
    std::map<std::string, Palavra> palavras;
    std::string fonte;              // the face's name, without the subset prefix
    double ascent = 0, descent = 0; // its descriptor's, in units of the font size
};
PaginaPdf LerPaginaPdf(const std::filesystem::path& pdf);

double LinhaDeBase(const Palavra& p, const PaginaPdf& pagina);
double TamanhoDaFonte(const Palavra& p, const PaginaPdf& pagina); // points

// Runs a shell command and gives its output; throws when it fails.
std::string Executar(const std::string& comando);

// What a queue's driver declares for its default paper.
struct Declaracao {
    std::string folha; // the default PageSize
    double larguraFolha = 0, alturaFolha = 0;
    double esquerda = 0, topo = 0; // the printable area's top-left corner, points from
                                   // the paper's top-left corner
    double direita = 0, base = 0;  // its margins on the other two sides
    int dpiX = 0, dpiY = 0;        // the default resolution
};
Declaracao DeclaracaoDaFila(const std::string& fila);

struct Calibracao {
    double ascent = 0; // from the top of the cell to the baseline, points
    std::string fonte; // the face's name in the PDF
};
// Prints the calibration page on the whole-page queue PDF_Laudo, in that face with an em
// height of emPixels at dpi, and measures it; the PDF folder is emptied first.
Calibracao CalibrarFonte(const QFont& face, int emPixels, int dpi);

double TopoDaCelula(const Palavra& p, const PaginaPdf& pagina, const Calibracao& c);

inline double Pontos(double pixels, int dpi) {
    return pixels * 72.0 / dpi;
}

} // namespace tessela::teste
