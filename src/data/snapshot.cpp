#include "data/snapshot.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <thread>

#include "common/config_files.h"
#include "common/errors.h"
#include "common/text.h"
#include "data/engine/error.h"

namespace corvex {

namespace {

using db::FieldType;

db::TableDef buildTable() {
    return db::TableDef{
        kTabellaSchClienti,
        {
            {"NumeroHotel", FieldType::Short},
            {"IdUser", FieldType::Text, 20},
            {"NumeroProgressivo", FieldType::Long},
            {"NumeroSchedina", FieldType::Long},
            {"NumeroComponente", FieldType::Short},
            {"CodiceClienteAbituale", FieldType::Long},
            {"CodiceDittaAbituale", FieldType::Long},
            {"NumeroCamera", FieldType::Text, 6},
            {"DataArrivo", FieldType::Text, 8},
            {"DataPartenza", FieldType::Text, 8},
            {"NomeCliente", FieldType::Text, 100},
            {"LuogoNascita", FieldType::Text, 100},
            {"DataNascita", FieldType::Text, 8},
            {"TipoDocumento", FieldType::Text, 6},
            {"NumeroDocumento", FieldType::Text, 30},
            {"AutoritaRilascioDocumento", FieldType::Text, 100},
            {"DataRilascioDocumento", FieldType::Text, 8},
            {"Residenza", FieldType::Text, 100},
            {"Indirizzo", FieldType::Text, 100},
            {"Provincia", FieldType::Text, 3},
            {"Nazione", FieldType::Text, 6},
            {"Stato", FieldType::Text, 6},
            {"Sesso", FieldType::Text, 1},
            {"CAP", FieldType::Text, 8},
            {"Lingua", FieldType::Text, 5},
            {"TipoCliente", FieldType::Text, 100},
            {"CodiceAgenzia", FieldType::Long},
            {"CodiceAgente", FieldType::Long},
            {"OraArrivo", FieldType::Short},
            {"OraPartenza", FieldType::Short},
            {"DescAgenzia", FieldType::Text, 100},
            {"Partito", FieldType::Text, 1},
            {"DataPartenzaReale", FieldType::Text, 8},
            {"ContoAutomatico", FieldType::Short},
            {"CapoFamiglia", FieldType::Text, 1},
            {"CapoGruppo", FieldType::Text, 1},
            {"CodiceCapoFamiglia", FieldType::Long},
            {"CodiceCapoGruppo", FieldType::Long},
            {"Commento", FieldType::Text, 100},
            {"AddebitoPeriodico", FieldType::Short},
            {"ContoExtra", FieldType::Short},
            {"ConsensoPrivacy", FieldType::Text, 1},
            {"ConsensoPrivacyMail", FieldType::Text, 1},
            {"NumeroPrenotazione", FieldType::Long},
            {"ChkOut", FieldType::Short},
            {"OffertaS", FieldType::Text, 6},
            {"NVoucher", FieldType::Text, 50},
            {"CodiceCapoCamera", FieldType::Long},
            {"Food", FieldType::Short},
            {"Beverage", FieldType::Short},
            {"CodConta", FieldType::Short},
            {"TipoPagamento", FieldType::Text, 40},
            {"Email", FieldType::Text, 100},
            {"CodIDS", FieldType::Short},
        },
    };
}

}  // namespace

const db::TableDef& tabellaSchClienti() {
    static const db::TableDef def = buildTable();
    return def;
}

void CreaSchClienti() {
    if (fileExists(db::resolveFileName(kFileSchClienti))) return;
    db::Database snapshot = db::Database::create(kFileSchClienti);
    snapshot.createTable(tabellaSchClienti());
    snapshot.close();
}

NuovoSchClienti::NuovoSchClienti(std::chrono::milliseconds attesa)
    : target_(db::resolveFileName(kFileSchClienti)) {
    const std::string lockName = "SchClienti.lck";
    lock_ = ::open(lockName.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (lock_ < 0) {
        throw db::DbError(lockName, "",
                          std::string("impossibile creare il file: ") + std::strerror(errno));
    }
    const auto limite = std::chrono::steady_clock::now() + attesa;
    while (::flock(lock_, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) ||
            std::chrono::steady_clock::now() >= limite) {
            ::close(lock_);
            throw ReportError(
                "SchClienti.mdb in uso da un'altra postazione: riprovare fra qualche istante");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    try {
        removeStaleTemporaries(target_);
        temp_ = temporaryNameBeside(target_);
        db::Database snapshot = db::Database::create(temp_);
        snapshot.createTable(tabellaSchClienti());
        snapshot.close();
    } catch (...) {
        rimuoviTemporaneo();
        ::close(lock_);
        throw;
    }
}

NuovoSchClienti::~NuovoSchClienti() {
    if (!pubblicato_) rimuoviTemporaneo();
    ::close(lock_);  // releases the lock
}

void NuovoSchClienti::rimuoviTemporaneo() noexcept {
    if (temp_.empty()) return;
    ::unlink(temp_.c_str());
    ::unlink((temp_ + "-journal").c_str());
}

void NuovoSchClienti::pubblica() {
    if (pubblicato_) return;
    if (std::rename(temp_.c_str(), target_.c_str()) != 0) {
        throw db::DbError(target_, "",
                          std::string("impossibile sostituire il file: ") + std::strerror(errno));
    }
    pubblicato_ = true;
}

void AggiungiRigaSnapshot(db::Recordset& snapshot, const db::Recordset& source, std::int64_t food) {
    // Food is a 16-bit field in the snapshot; a count that does not fit is
    // refused before the row is started, rather than stored wrapped.
    if (food < std::numeric_limits<std::int16_t>::min() ||
        food > std::numeric_limits<std::int16_t>::max()) {
        const auto text = [&](const char* name) {
            return source.hasField(name) ? trim(source.field(name).toText()) : std::string();
        };
        throw ReportError("Il cliente n. " + cp1252ToUtf8(text("NumeroProgressivo")) + " (" +
                          cp1252ToUtf8(text("NomeCliente")) + ") ha " + str(food) +
                          " unità di imposta: il campo Food di SchClienti.mdb ne contiene al "
                          "massimo 32767.");
    }
    snapshot.addNew();
    // Copy by the source's field names, in the source's order; the register
    // of a real installation may hold fields the snapshot does not have.
    for (std::size_t i = 0; i < source.fieldCount(); ++i) {
        const std::string& name = source.fieldName(i);
        if (snapshot.hasField(name)) snapshot.setField(name, source.field(i));
    }
    snapshot.setField("Food", db::Value(static_cast<std::int64_t>(food)));
    snapshot.update();
}

}  // namespace corvex
