#include "common/datas.h"

#include <cstdio>
#include <ctime>

namespace tessela {

DataHora Agora() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return {tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

namespace {
std::string Formatar(const char* formato, int a, int b, int c) {
    char buf[32];
    std::snprintf(buf, sizeof buf, formato, a, b, c);
    return buf;
}
} // namespace

std::string DataDDMMAA(const DataHora& d) { return Formatar("%02d/%02d/%02d", d.dia, d.mes, d.ano % 100); }

std::string DataDDMMAAAA(const DataHora& d) {
    return Formatar("%02d/%02d/%04d", d.dia, d.mes, d.ano);
}

std::string HoraHHNNSS(const DataHora& d) {
    return Formatar("%02d:%02d:%02d", d.hora, d.minuto, d.segundo);
}

} // namespace tessela
