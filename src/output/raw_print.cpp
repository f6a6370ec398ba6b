#include "output/raw_print.h"

#include <cctype>
#include <filesystem>
#include <stdexcept>

#include "common/text.h"
#include "output/report_file.h"
#include "output/text_output.h"

#ifdef CORVEX_HAVE_CUPS
#include <cups/cups.h>
#endif

namespace corvex {

namespace {

const std::string kCrLf = "\r\n";

class RawPage {
  public:
    RawPage(const ConfigStampa& c, std::string& out) : c_(c), out_(out) {}

    void margin() {
        for (int i = 0; i < c_.margineSuperiore; ++i) out_ += " " + kCrLf;
        count_ = c_.margineSuperiore;
    }
    void line(const std::string& text) {
        out_ += text;
        out_ += kCrLf;
        ++count_;
    }
    void endPage() {
        if (c_.riempiPagine()) {
            while (count_ < c_.lunghezzaModulo) {
                out_ += kCrLf;
                ++count_;
            }
        } else {
            out_ += '\f';
        }
        count_ = 0;
    }
    int count() const { return count_; }

  private:
    const ConfigStampa& c_;
    std::string& out_;
    int count_ = 0;
};

bool isWindowsDeviceName(const std::string& device) {
    if (startsWith(device, "\\\\") || startsWith(device, "//")) return true;
    if (device.size() >= 2 && std::isalpha(static_cast<unsigned char>(device[0])) &&
        device[1] == ':') {
        return true;  // "C:\..." or "C:file"
    }
    std::string name = upper(device);
    if (!name.empty() && name.back() == ':') name.pop_back();
    if (name == "PRN" || name == "AUX" || name == "NUL") return true;
    if (name.size() == 4 && (startsWith(name, "LPT") || startsWith(name, "COM")) &&
        std::isdigit(static_cast<unsigned char>(name[3]))) {
        return true;
    }
    return false;
}

#ifdef CORVEX_HAVE_CUPS
bool isQueueName(const std::string& device) {
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, device.c_str(), nullptr);
    if (!dest) return false;
    cupsFreeDests(1, dest);
    return true;
}

void sendToQueue(const std::string& queue, const std::string& bytes, const std::string& title) {
    cups_option_t* options = nullptr;
    int count = cupsAddOption("raw", "true", 0, &options);
    const int job = cupsCreateJob(CUPS_HTTP_DEFAULT, queue.c_str(), title.c_str(), count, options);
    cupsFreeOptions(count, options);
    auto failure = [&](const char* what) {
        return std::runtime_error(std::string(what) + " sulla coda di stampa " + queue + ": " +
                                  cupsLastErrorString());
    };
    if (job == 0) throw failure("Impossibile creare il lavoro di stampa");
    if (cupsStartDocument(CUPS_HTTP_DEFAULT, queue.c_str(), job, title.c_str(), CUPS_FORMAT_RAW,
                          1) != HTTP_STATUS_CONTINUE) {
        cupsCancelJob2(CUPS_HTTP_DEFAULT, queue.c_str(), job, 0);
        throw failure("Impossibile avviare la stampa");
    }
    if (!bytes.empty() && cupsWriteRequestData(CUPS_HTTP_DEFAULT, bytes.data(), bytes.size()) !=
                              HTTP_STATUS_CONTINUE) {
        cupsFinishDocument(CUPS_HTTP_DEFAULT, queue.c_str());
        cupsCancelJob2(CUPS_HTTP_DEFAULT, queue.c_str(), job, 0);
        throw failure("Impossibile inviare la stampa");
    }
    if (cupsFinishDocument(CUPS_HTTP_DEFAULT, queue.c_str()) != IPP_STATUS_OK) {
        throw failure("Stampa non accettata");
    }
}
#endif

}  // namespace

std::string uscitaRaw(const std::vector<std::string>* reportLines, const ConfigStampa& config) {
    std::string out = config.sequenzaInizio;
    if (!reportLines) return out;
    RawPage page(config, out);
    page.margin();
    for (const auto& line : *reportLines) {
        if (line == "\f") {
            page.endPage();
            page.margin();
            continue;
        }
        page.line(config.senzaPulizia() ? line : PulisciRiga(line));
        if (page.count() >= config.lunghezzaPagina) {
            page.endPage();
            page.margin();
        }
    }
    if (page.count() > 0) page.endPage();
    return out;
}

TipoDestinazioneRaw classificaDestinazioneRaw(const std::string& device, bool isQueue) {
    if (isWindowsDeviceName(device)) return TipoDestinazioneRaw::NomeWindows;
    if (startsWith(device, "/dev/")) return TipoDestinazioneRaw::Dispositivo;
    if (isQueue) return TipoDestinazioneRaw::CodaStampa;
    return TipoDestinazioneRaw::File;
}

std::string inviaRaw(const std::string& device, const std::string& bytes,
                     const std::string& title) {
    const std::string name = trim(device);
    if (name.empty()) {
        throw std::runtime_error(
            "La destinazione non indica alcun dispositivo di stampa (campo Linea "
            "di Stampanti.mdb vuoto)");
    }
    bool queue = false;
#ifdef CORVEX_HAVE_CUPS
    if (!isWindowsDeviceName(name) && !startsWith(name, "/dev/")) queue = isQueueName(name);
#endif
    switch (classificaDestinazioneRaw(name, queue)) {
        case TipoDestinazioneRaw::NomeWindows:
            throw std::runtime_error(
                "Il dispositivo " + name +
                " è un nome di porta o di stampante di Windows: indicare una "
                "coda di stampa del sistema, un dispositivo /dev/... o un file");
        case TipoDestinazioneRaw::CodaStampa:
#ifdef CORVEX_HAVE_CUPS
            sendToQueue(name, bytes, title);
#endif
            return "inviata alla coda di stampa " + name;
        case TipoDestinazioneRaw::Dispositivo:
            scriviFileDiretto(name, bytes);
            return "scritta sul dispositivo " + name;
        case TipoDestinazioneRaw::File:
            break;
    }
    // A file destination stays inside the data folder; a link of that name
    // is replaced, never followed.
    const std::filesystem::path file = std::filesystem::path(name).lexically_normal();
    if (file.is_absolute() || file.empty() || *file.begin() == "..") {
        throw std::runtime_error("Il file di stampa " + cp1252ToUtf8(name) +
                                 " è fuori dalla cartella dei dati: indicare un file nella "
                                 "cartella dei dati, un dispositivo /dev/... o una coda di stampa");
    }
    scriviFileSicuro(name, bytes);
    return "scritta nel file " + name;
}

}  // namespace corvex
