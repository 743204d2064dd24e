#include "common/texto_qt.h"

#include "common/texto.h"

namespace tessela {

QString ParaQt(std::string_view cp1252) {
    return QString::fromStdString(Cp1252ParaUtf8(cp1252));
}

std::string DeQt(const QString& texto) {
    return Utf8ParaCp1252(texto.toStdString());
}

QString TextoDeMensagem(std::string_view cp1252) {
    std::string linhas;
    linhas.reserve(cp1252.size());
    for (std::size_t i = 0; i < cp1252.size(); ++i) {
        if (cp1252[i] == '\r') {
            linhas += '\n';
            if (i + 1 < cp1252.size() && cp1252[i + 1] == '\n')
                ++i;
        } else {
            linhas += cp1252[i];
        }
    }
    return ParaQt(linhas);
}

namespace {

constexpr char16_t kFiguraCR = u'\u240D';
constexpr char16_t kFiguraLF = u'\u240A';

} // namespace

QString LinhaDoRelatorioParaQt(const std::string& linha) {
    QString texto = ParaQt(linha);
    texto.replace(QChar(u'\r'), QChar(kFiguraCR));
    texto.replace(QChar(u'\n'), QChar(kFiguraLF));
    return texto;
}

std::string LinhaDoRelatorioDeQt(QString texto) {
    texto.replace(QChar(kFiguraCR), QChar(u'\r'));
    texto.replace(QChar(kFiguraLF), QChar(u'\n'));
    return DeQt(texto);
}

} // namespace tessela
