#include "screen/mensagens.h"

#include "common/texto_qt.h"

namespace tessela {

namespace {

QMessageBox::Icon IconeDe(TipoMensagem tipo) {
    switch (tipo) {
    case TipoMensagem::Aviso:
        return QMessageBox::Question;
    case TipoMensagem::Erro:
        return QMessageBox::Critical;
    case TipoMensagem::Simples:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

std::unique_ptr<QMessageBox> CriarCaixaMensagem(const std::string& texto, TipoMensagem tipo,
                                                QWidget* pai) {
    const char* titulo = tipo == TipoMensagem::Aviso ? kTituloAviso : kTituloAplicacao;
    auto caixa = std::make_unique<QMessageBox>(IconeDe(tipo), ParaQt(titulo),
                                               TextoDeMensagem(texto), QMessageBox::Ok, pai);
    caixa->setTextFormat(Qt::PlainText);
    caixa->setWindowModality(Qt::ApplicationModal);
    return caixa;
}

void MostrarMensagem(const std::string& texto, TipoMensagem tipo, QWidget* pai) {
    CriarCaixaMensagem(texto, tipo, pai)->exec();
}

} // namespace tessela
