#pragma once

// The widget boundary: code-page-1252 bytes to Qt strings and back.

#include <QString>
#include <string>
#include <string_view>

namespace tessela {

QString ParaQt(std::string_view cp1252);
std::string DeQt(const QString& texto);

// A message text for a box: every single CR (and CR LF, LF) becomes a line break.
QString TextoDeMensagem(std::string_view cp1252);

} // namespace tessela
