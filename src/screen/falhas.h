#pragma once

// Crash reports: a fatal signal (SIGSEGV, SIGABRT, SIGFPE, SIGBUS, SIGILL) appends the
// time, the signal and a stack trace to the user's crash log in pastaLog
// (falhas-LOGIN.log), then the signal takes its default action and ends the process.

#include <string>

namespace tessela {

// Opens (creating the folder and the file when missing) the report file now, since
// little can be done safely once the signal has come, and installs the handlers on
// an alternate stack, so that a stack overflow is reported too. When the file cannot
// be opened the report goes to stderr. Returns whether the file was opened.
bool InstalarRelatorioDeFalhas(const std::string& pastaLog);

} // namespace tessela
