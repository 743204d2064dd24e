#pragma once

// The message boxes of the program: modal, one OK button, captions and icons by kind.

#include "common/tela.h"

#include <QMessageBox>
#include <memory>
#include <string>

namespace tessela {

// The application title: caption of plain and error boxes and of the main window
// until the start-up sequence titles it. Never set as Qt's application display name,
// which X11 would append to every window title.
inline constexpr const char* kTituloAplicacao = "MAGNOLIA - Laudo de An\xE1lise";
inline constexpr const char* kTituloAviso = "Aviso";

// The box, ready to be shown: plain (application title, no icon), warning ("Aviso",
// question mark) or error (application title, error icon); plain text.
std::unique_ptr<QMessageBox> CriarCaixaMensagem(const std::string& texto, TipoMensagem tipo,
                                                QWidget* pai = nullptr);

// Shows the box modally until it is closed.
void MostrarMensagem(const std::string& texto, TipoMensagem tipo, QWidget* pai = nullptr);

} // namespace tessela
