#pragma once

// Dates and times as the program writes them; the separators are always '/' and ':'.

#include <string>

namespace tessela {

struct DataHora {
    int dia = 1, mes = 1, ano = 2000;
    int hora = 0, minuto = 0, segundo = 0;
};

// The local date and time now.
DataHora Agora();

std::string DataDDMMAA(const DataHora& d);   // "08/12/26"
std::string DataDDMMAAAA(const DataHora& d); // "08/12/2026"
std::string HoraHHNNSS(const DataHora& d);   // "14:05:09"

} // namespace tessela
