// Raw printing: the report as bytes for a printer's own language (start
// sequence, top margins, form feeds) and where those bytes go.
#pragma once

#include <string>
#include <vector>

#include "output/print_config.h"

namespace corvex {

// The bytes of a raw print: the start sequence, then (when the report file
// exists) each page's top margin and lines, every page ended by a form feed
// or, with option "U", filled with empty lines to the form length. A report
// line that is exactly one form feed ends the page. Lines are cleaned with
// PulisciRiga unless the options hold "K". reportLines == nullptr means the
// report file does not exist.
std::string uscitaRaw(const std::vector<std::string>* reportLines, const ConfigStampa& config);

// Where raw bytes go.
enum class TipoDestinazioneRaw {
    CodaStampa,   // a print queue of the system: sent as a raw job
    Dispositivo,  // a /dev/... path: written directly
    File,         // anything else: a file, relative to the current directory
    NomeWindows,  // LPT1:, COM1, \\server\printer, C:\...: cannot be used here
};

TipoDestinazioneRaw classificaDestinazioneRaw(const std::string& device, bool isQueue);

// Sends raw bytes to device as classified above. title names the job.
// Throws std::runtime_error with a message naming the device and the cause
// (a Windows device name included). Returns a short description of what was
// done ("inviata alla coda di stampa X", "scritta nel file Y").
std::string inviaRaw(const std::string& device, const std::string& bytes, const std::string& title);

}  // namespace corvex
