#include "screen/texto_qt.h"

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

} // namespace tessela
