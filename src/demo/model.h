// The demo hotel in memory: rooms, stays, guests, charges and fiscal
// documents, planned first and written to the files afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/currency.h"
#include "demo/demo.h"

namespace corvex::demo {

// Billing items of VociFattura.
enum Voce : int {
    kPernottamento = 1,
    kColazione = 2,
    kBar = 3,
    kRistorante = 4,
    kMinibar = 5,
    kParcheggio = 6,
    kImpostaStandard = 501,
    kImpostaMinori = 502,
    kImpostaResidenti = 503,
    kImpostaOltre = 504,
};

inline constexpr int kGGMax = 7;                 // nights after which the tax stops
inline constexpr int kEtaMin = 14;               // age below which a guest is a minor
inline constexpr int kIvaImposta = 99;           // VAT code of the tourist tax
inline constexpr const char* kComune = "Lucca";  // the hotel's town (residents)
inline constexpr int kNoDate = -1000000;         // a date never recorded (blank text)

struct Room {
    std::string number;
    int basePrice;  // euros per night in the middle season
};

struct Guest {
    std::int32_t np = 0;  // NumeroProgressivo
    std::int32_t schedina = 0;
    int componente = 1;
    int stay = 0;
    int arrival = 0;
    int plannedDeparture = 0;
    int departure = 0;  // real departure (the planned one while in house)
    bool departed = true;
    bool archived = false;
    std::string name, birthPlace, residence, address, province, nazione, stato, cap, lingua;
    std::string sesso, email, docType, docNumber, docAuthority, idUser, commento;
    int docDate = kNoDate;
    int birth = kNoDate;
    int codIds = kImpostaStandard;
    bool italian = true;
    std::int32_t capoCamera = 0, capoGruppo = 0;
    bool isCapoFamiglia = false, isCapoGruppo = false;
    std::int32_t clienteAbituale = 0;
    int oraArrivo = 15, oraPartenza = 10;
};

struct Charge {
    int day;
    std::int32_t cliente;
    int voce;
    int qty;
    Currency importo;
    int stay;
};

struct Stay {
    int room = 0;
    int arrival = 0;
    int plannedDeparture = 0;
    int departure = 0;        // the room is free again on this day
    std::vector<int> guests;  // indices into Plan::guests, the room's leader first
    int group = -1;
    bool combinedTax = false;  // tax lines per item on the leader instead of per guest
    bool prepaid = false;
    std::string offerta;  // "BB", "HB", "RO"
    std::string tipoCliente;
    std::int32_t prenotazione = 0;
    std::size_t firstCharge = 0, endCharge = 0;
};

struct Agency {
    int code;
    const char* name;
    const char* piva;
};

struct Group {
    std::vector<int> stays;
    int agency = 0;  // index into the agency list
    int leader = 0;  // guest index
};

struct Plan {
    Size size = Size::Hotel;
    int firstDay = 0, lastDay = 0, archiveBefore = 0;
    std::vector<Room> rooms;
    std::vector<Guest> guests;
    std::vector<Stay> stays;
    std::vector<Group> groups;
    std::vector<Charge> charges;  // stay by stay, each stay's charges contiguous
};

// A row of VociFattura.
struct VoceInfo {
    int code;
    const char* descr;
    const char* reparto;
    Currency price;
    int aliquota;  // VAT rate in percent, also the line's VAT code (0 for the tax)
};
const std::vector<VoceInfo>& voci();
const VoceInfo& voce(int code);

// The rate of the standard tax on a day.
Currency tassa(int day);
const std::vector<Agency>& agencies();

Plan planHotel(Size size, std::uint64_t seed);

// ------------------------------------------------------------ documents

struct DocLine {
    int voce = 0;
    std::string descr;
    int qty = 0;
    Currency importo;
    std::string dataAddebito;
    int iva = 0;
    int refDoc = -1;  // "Ricevuta n. X del ..." heading of a summary invoice
};

struct Payment {
    std::string sigla;
    Currency importo;
    std::string nota;
};

struct Doc {
    int day = 0;
    char kind = 'R';  // 'R' Ricevuta, 'F' Fattura
    int contatore = 1;
    std::int32_t number = 0;
    std::string room, name;
    int persons = 0;
    int arrival = 0, departure = 0;
    std::string forma;
    Currency totale, pagato, nonPagato;
    bool annullato = false, annullatoDaRiep = false;
    std::string riepAcc;  // "", "N", "A", "R"
    bool sppa = false;
    std::string stato = "I", cfiscale, piva, note;
    std::vector<DocLine> lines;
    std::vector<Payment> payments;
    int ref = -1;  // the document a credit note or a reissue refers to
};

struct Esterno {
    int day;
    int contatore;
    std::string sigla;
    Currency importo;
    std::string nota;
};

struct Fiscal {
    std::vector<Doc> docs;  // in issue order, numbered
    std::vector<Esterno> esterni;
};

Fiscal planDocuments(const Plan& plan, std::uint64_t seed);

}  // namespace corvex::demo
