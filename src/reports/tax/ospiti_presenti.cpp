// Guests present in a period: every counted guest whose stay overlaps the
// period and who is old enough, with the part of the stay inside the period,
// the taxable nights (capped) and the age; live register first, then the
// archive of departed guests.
//
// The report runs on past failures: a database that cannot be opened, a field
// that cannot be read or a date that cannot be converted skips that statement
// (a pass or one guest), says so in ReportResult::skipped, and the report is
// still written and shown.

#include <cstdint>
#include <exception>
#include <optional>
#include <string>

#include "common/dates.h"
#include "common/text.h"
#include "data/engine/database.h"
#include "data/fiscal.h"
#include "data/hotel.h"
#include "output/report_file.h"
#include "reports/periodo.h"
#include "reports/reports.h"
#include "reports/tax/registro.h"

namespace corvex {

namespace {

constexpr const char* kHeading = "Nome Cliente                   Arrivo     Partenza   Notti Anni";

struct Elenco {
    const Periodo& periodo;
    std::int64_t nottiMassime;
    std::int64_t etaMinima;
    int annoInizio;
    ReportWriter& out;
    ReportResult& esito;
    std::int64_t totaleNotti = 0;
    std::int64_t ospiti = 0;
};

// The guest rule. The line is written only when every part of it is known;
// a date that cannot be converted throws and the guest is skipped.
void rigaOspite(db::Recordset& rs, bool archivio, Elenco& e) {
    // Age by calendar years: the period's start year minus the birth year.
    // A guest whose birth date is empty or not a date is listed with an
    // empty age: the tax cannot be ruled out for him, so he is not dropped.
    const std::string nascita = DataDaSql(rs.field("DataNascita").toText());
    std::string eta;
    if (DataValida(nascita)) {
        const std::int64_t anni = e.annoInizio - *AnnoDi(nascita);
        if (anni < e.etaMinima) return;
        eta = str(anni);
    }

    const std::string arrivo = rs.field("DataArrivo").toText();
    const std::string partenza = (archivio || rs.field("Partito").toText() == "S")
                                     ? rs.field("DataPartenzaReale").toText()
                                     : rs.field("DataPartenza").toText();
    const std::string arrivoMostrato =
        arrivo <= e.periodo.inizio ? e.periodo.dal : DataDaSql(arrivo);
    const std::string partenzaMostrata =
        partenza <= e.periodo.fine ? DataDaSql(partenza) : e.periodo.al;
    const std::optional<std::int64_t> giorni = DifferenzaGiorni(arrivoMostrato, partenzaMostrata);
    if (!giorni) {
        throw ReportError("date non convertibili (arrivo \"" + cp1252ToUtf8(arrivo) +
                          "\", partenza \"" + cp1252ToUtf8(partenza) + "\")");
    }
    const std::int64_t notti = *giorni > e.nottiMassime ? e.nottiMassime : *giorni;

    e.out.line(padRight(left(rs.field("NomeCliente").toText(), 30), 31) + arrivoMostrato + " " +
               partenzaMostrata + " " + padLeft(str(notti), 5) + " " + "  " + eta);
    e.totaleNotti += notti;
    ++e.ospiti;
}

void saltato(Elenco& e, const std::string& cosa, const std::exception& causa) {
    e.esito.skipped.push_back(cosa + ": " + causa.what());
}

// One pass over a register file. Each guest is one statement: a failure on
// him skips him alone; a failure to open or walk the file skips the rest of
// the pass.
void passata(const std::string& file, const std::string& sql, bool archivio, Elenco& e,
             Interaction& io) {
    try {
        db::Database d = db::Database::open(file);
        db::Recordset rs = d.openRecordset(sql);
        std::int64_t letti = 0;
        perOgni(rs, registro::kCriterioHotel, [&] {
            if (++letti % 1000 == 0) io.progress(cp1252ToUtf8(file) + " " + str(letti));
            try {
                rigaOspite(rs, archivio, e);
            } catch (const ReportCancelled&) {
                throw;
            } catch (const std::exception& ex) {
                std::string chi = file + ": ospite";
                try {
                    chi += " " + rs.field("NumeroProgressivo").toText() + " " +
                           trim(rs.field("NomeCliente").toText());
                } catch (const std::exception&) {
                }
                saltato(e, cp1252ToUtf8(chi) + " non elencato", ex);
            }
        });
        rs.close();
        d.close();
    } catch (const ReportCancelled&) {
        throw;
    } catch (const std::exception& ex) {
        saltato(e, cp1252ToUtf8(file) + ": ospiti non letti", ex);
    }
}

}  // namespace

ReportResult StampaOspitiPresenti(const ReportRequest& r, Interaction& io) {
    const Periodo p = controllaPeriodo(r);
    const registro::LimitiOspiti limiti = registro::chiediLimitiOspiti(io);
    const std::int64_t nottiMassime = limiti.nottiMassime;
    const std::int64_t etaMinima = limiti.etaMinima;

    ReportResult esito;
    ReportWriter out;
    out.line();
    out.line("DETTAGLIO OSPITI PRESENTI DAL " + p.dal + " AL " + p.al);
    out.line();
    const std::string regola(63, '-');
    out.line(regola);
    out.line(kHeading);
    out.line(regola);

    Elenco e{p, nottiMassime, etaMinima, *AnnoDi(p.dal), out, esito};
    passata("Scheda_Cliente.mdb",
            "Select * From Scheda_Cliente Where NumeroHotel = 1 and Instr(Lingua,'*') = 0 and "
            "DataArrivo <= '" +
                p.fine + "' and ((DataPartenza > '" + p.inizio +
                "' and Partito = 'N') or (DataPartenzaReale > '" + p.inizio +
                "' and Partito = 'S'))",
            false, e, io);

    // The archive is read where the hotel's CodiceAssistenza puts it; when
    // that cannot be settled the archive pass is skipped (and said so)
    // rather than read from a guessed place.
    std::optional<std::string> schedaStorico;
    try {
        schedaStorico = PercorsoArchivio("SchedaStoricoClienti.mdb", LeggiCodiceAssistenza());
    } catch (const ReportCancelled&) {
        throw;
    } catch (const std::exception& ex) {
        saltato(e, "SchedaStoricoClienti.mdb: ospiti partiti non letti", ex);
    }
    if (schedaStorico) {
        passata(*schedaStorico,
                "Select * From Scheda_Cliente Where NumeroHotel = 1 and Instr(Lingua,'*') = 0 and "
                "DataArrivo <= '" +
                    p.fine + "' and DataPartenzaReale > '" + p.inizio + "'",
                true, e, io);
    }

    out.line(regola);
    out.line(padLeft(str(e.totaleNotti), 58));
    out.line("Numero ospiti = " + str(e.ospiti));
    out.close();
    io.showPrintMenu();
    return esito;
}

}  // namespace corvex
