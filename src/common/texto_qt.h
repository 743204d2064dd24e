#pragma once

// The Qt boundary of the window and the painter: code-page-1252 bytes to Qt strings and
// back.

#include <QString>
#include <string>
#include <string_view>

namespace tessela {

QString ParaQt(std::string_view cp1252);
std::string DeQt(const QString& texto);

// A message text for a box: every single CR (and CR LF, LF) becomes a line break.
QString TextoDeMensagem(std::string_view cp1252);

// A report line as one line of a text area and back, exactly: a CR or LF inside it
// would split it in two, so it is shown as its control picture, which code page 1252
// cannot hold.
QString LinhaDoRelatorioParaQt(const std::string& linha);
std::string LinhaDoRelatorioDeQt(QString texto);

} // namespace tessela
