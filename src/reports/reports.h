// The report routines, one per report. Each writes the report file, then
// calls io.showPrintMenu() (except the takings register in unattended mode).
// Database failures throw db::DbError, user-fixable ones ReportError, a
// cancelled question ReportCancelled; the caller tells the user.
#pragma once

#include "reports/interaction.h"
#include "reports/request.h"

namespace corvex {

// Tourist-tax reports (src/reports/tax/)
ReportResult StampaOspitiPresenti(const ReportRequest& r, Interaction& io);      // guests-present
ReportResult StampaArriviPresenze(const ReportRequest& r, Interaction& io);      // arrivals
ReportResult StampaRiepilogoImposta(const ReportRequest& r, Interaction& io);    // summary
ReportResult VerificaImposteAssegnate(const ReportRequest& r, Interaction& io);  // daily-check
ReportResult StampaImpostaMaturata(const ReportRequest& r, Interaction& io);     // accrued
ReportResult StampaSuPartenze(const ReportRequest& r, Interaction& io);          // departures
ReportResult StampaDettaglioImposta(const ReportRequest& r, Interaction& io);    // fiscal-detail

// Tourist-tax filings (src/reports/filings/)
ReportResult StampaDichiarazionePeriodica(const ReportRequest& r, Interaction& io);  // return
ReportResult StampaDichiarazioneAnnuale(const ReportRequest& r,
                                        Interaction& io);                     // annual-declaration
ReportResult StampaModello21(const ReportRequest& r, Interaction& io);        // modello-21
ReportResult StampaRegistroImposta(const ReportRequest& r, Interaction& io);  // tax-ledger
ReportResult EsportaSoggiorni(const ReportRequest& r, Interaction& io);       // stays-export

// Takings reports (src/reports/takings/)
ReportResult StampaCorrispettivi(const ReportRequest& r, Interaction& io);  // takings-register
ReportResult StampaCassa(const ReportRequest& r, Interaction& io);          // cash-table

}  // namespace corvex
