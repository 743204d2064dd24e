#pragma once

// The application object and the general error handling: an exception that escapes
// an event handler is shown in an error box and appended to the user's error log in
// the program folder's LOG, and the event loop goes on.

#include "common/datas.h"

#include <QApplication>
#include <exception>
#include <functional>
#include <string>

namespace tessela {

class Interrupcao;

// The kind of an exception: Classe() of the program's errors, else the type's name.
std::string ClasseDaExcecao(const std::exception& e);

// One line of the error log: date, time, kind and text, the text's line breaks
// turned into " | " so that one error is one line.
std::string LinhaDoRegistroDeErros(const DataHora& quando, const std::string& classe,
                                   const std::string& texto);

// Appends the line to the user's error log in pastaPrograma + "LOG/" (erros-LOGIN.log),
// creating the folder and the file when missing. Throws ErroEntradaSaida when that fails.
void RegistrarErro(const std::string& pastaPrograma, const std::string& linha);

class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);

    // The folder whose LOG folder takes the error log (the program folder, with a
    // trailing '/').
    void DefinirPastaPrograma(std::string pasta) { pastaPrograma_ = std::move(pasta); }
    const std::string& PastaPrograma() const { return pastaPrograma_; }

    // Shows an error's text; by default a modal error box.
    std::function<void(const std::string& texto)> MostrarErro;

    // While the run is ending (the end asked for there) errors are logged, not shown;
    // a call cut short by that end (ErroInterrompido) is no error at all.
    void DefinirInterrupcao(const Interrupcao* interrupcao) { interrupcao_ = interrupcao; }

    // The general handler: shows the text, logs it with its kind and the time.
    void TratarErro(const std::string& classe, const std::string& texto);
    void TratarExcecao(std::exception_ptr excecao);

    bool notify(QObject* receptor, QEvent* evento) override;

private:
    std::string pastaPrograma_;
    const Interrupcao* interrupcao_ = nullptr;
};

} // namespace tessela
