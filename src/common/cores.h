#pragma once

// Colours are 32-bit values: 0x00BBGGRR, or with the top byte 0xFF a system colour
// whose index is the low byte (the indices of the Windows system colours). One decoding
// for the window and the printed page alike.

#include <QColor>
#include <QPalette>
#include <cstdint>

namespace tessela {

// The palette colour standing in for a system colour index; an index with no
// counterpart gives the button face.
QColor CorDoSistema(int indice, const QPalette& paleta);

// The colour a value names: a system colour from the palette, or red, green and blue
// from the low three bytes.
QColor CorDoValor(std::int32_t cor, const QPalette& paleta);

} // namespace tessela
