#include "common/cores.h"

namespace tessela {

namespace {

// Index -> palette role, following how Qt's own Windows theme fills the palette from
// the system colours, with the nearest role for the rest.
QPalette::ColorRole PapelDoIndice(int indice) {
    switch (indice) {
    case 0: // scroll bar
        return QPalette::Midlight;
    case 1: // desktop
        return QPalette::Dark;
    case 2:  // active caption
    case 13: // highlight
    case 27: // gradient of the active caption
    case 29: // menu highlight
        return QPalette::Highlight;
    case 3:  // inactive caption
    case 12: // application work space
    case 28: // gradient of the inactive caption
        return QPalette::Mid;
    case 4:  // menu
    case 30: // menu bar
        return QPalette::Window;
    case 5: // window
        return QPalette::Base;
    case 6:  // window frame
    case 21: // 3-D dark shadow
        return QPalette::Shadow;
    case 7: // menu text
        return QPalette::WindowText;
    case 8: // window text
        return QPalette::Text;
    case 9:  // caption text
    case 14: // highlighted text
        return QPalette::HighlightedText;
    case 16: // button shadow
        return QPalette::Dark;
    case 17: // grey text
    case 19: // inactive caption text
        return QPalette::PlaceholderText;
    case 18: // button text
        return QPalette::ButtonText;
    case 20: // button highlight
        return QPalette::Light;
    case 22: // 3-D light
        return QPalette::Midlight;
    case 23: // tool tip text
        return QPalette::ToolTipText;
    case 24: // tool tip background
        return QPalette::ToolTipBase;
    case 26: // hot-tracked item
        return QPalette::Link;
    default: // 10, 11 (borders), 15 (button face) and unknown indices
        return QPalette::Button;
    }
}

} // namespace

QColor CorDoSistema(int indice, const QPalette& paleta) {
    return paleta.color(QPalette::Active, PapelDoIndice(indice));
}

QColor CorDoValor(std::int32_t cor, const QPalette& paleta) {
    const auto valor = static_cast<std::uint32_t>(cor);
    if ((valor >> 24) == 0xFF)
        return CorDoSistema(static_cast<int>(valor & 0xFF), paleta);
    return QColor(static_cast<int>(valor & 0xFF), static_cast<int>((valor >> 8) & 0xFF),
                  static_cast<int>((valor >> 16) & 0xFF));
}

} // namespace tessela
