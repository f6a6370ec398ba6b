#include "demo/layouts.h"

namespace corvex::demo {

namespace {

const std::string kShort = "SHORT";
const std::string kLong = "LONG";
const std::string kCurrency = "CURRENCY";
const std::string kDouble = "DOUBLE";

std::string text(int n) {
    return "TEXT(" + std::to_string(n) + ") COLLATE NOCASE";
}

// The five fields of the document key, first in every table of Fatture.mdb.
std::vector<Column> documentKey() {
    return {{"NumeroHotel", kShort},
            {"DataEmissione", text(8)},
            {"TipoDocumento", text(10)},
            {"NDocumento", kLong},
            {"Contatore", kShort}};
}

TableLayout withKey(const std::string& name, std::vector<Column> rest) {
    TableLayout t{name, documentKey()};
    t.columns.insert(t.columns.end(), rest.begin(), rest.end());
    return t;
}

}  // namespace

std::string declaredType(const db::FieldDef& field) {
    switch (field.type) {
        case db::FieldType::Short:
            return kShort;
        case db::FieldType::Long:
            return kLong;
        case db::FieldType::Text:
            return text(field.size);
        case db::FieldType::Memo:
            return "LONGTEXT COLLATE NOCASE";
        case db::FieldType::Currency:
            return kCurrency;
        case db::FieldType::Double:
            return kDouble;
        case db::FieldType::Boolean:
            return "BOOLEAN";
        case db::FieldType::Byte:
            return "BYTE";
        case db::FieldType::DateTime:
            return "DATETIME";
    }
    return kDouble;
}

TableLayout layoutOf(const db::TableDef& def) {
    TableLayout t{def.name, {}};
    for (const auto& f : def.fields) t.columns.push_back({f.name, declaredType(f)});
    return t;
}

const TableLayout& layoutSchedaCliente() {
    static const TableLayout t{"Scheda_Cliente",
                               {{"NumeroHotel", kShort},
                                {"IdUser", text(20)},
                                {"NumeroProgressivo", kLong},
                                {"NumeroSchedina", kLong},
                                {"NumeroComponente", kShort},
                                {"CodiceClienteAbituale", kLong},
                                {"CodiceDittaAbituale", kLong},
                                {"NumeroCamera", text(6)},
                                {"DataArrivo", text(8)},
                                {"DataPartenza", text(8)},
                                {"NomeCliente", text(100)},
                                {"LuogoNascita", text(100)},
                                {"DataNascita", text(8)},
                                {"TipoDocumento", text(6)},
                                {"NumeroDocumento", text(30)},
                                {"AutoritaRilascioDocumento", text(100)},
                                {"DataRilascioDocumento", text(8)},
                                {"Residenza", text(100)},
                                {"Indirizzo", text(100)},
                                {"Provincia", text(3)},
                                {"Nazione", text(6)},
                                {"Stato", text(6)},
                                {"Sesso", text(1)},
                                {"CAP", text(8)},
                                {"Lingua", text(5)},
                                {"TipoCliente", text(100)},
                                {"CodiceAgenzia", kLong},
                                {"CodiceAgente", kLong},
                                {"OraArrivo", kShort},
                                {"OraPartenza", kShort},
                                {"DescAgenzia", text(100)},
                                {"Partito", text(1)},
                                {"DataPartenzaReale", text(8)},
                                {"ContoAutomatico", kShort},
                                {"CapoFamiglia", text(1)},
                                {"CapoGruppo", text(1)},
                                {"CodiceCapoFamiglia", kLong},
                                {"CodiceCapoGruppo", kLong},
                                {"Commento", text(100)},
                                {"AddebitoPeriodico", kShort},
                                {"ContoExtra", kShort},
                                {"ConsensoPrivacy", text(1)},
                                {"ConsensoPrivacyMail", text(1)},
                                {"NumeroPrenotazione", kLong},
                                {"ChkOut", kShort},
                                {"OffertaS", text(6)},
                                {"NVoucher", text(50)},
                                {"CodiceCapoCamera", kLong},
                                {"Food", kShort},
                                {"Beverage", kShort},
                                {"CodConta", kShort},
                                {"TipoPagamento", text(40)},
                                {"Email", text(100)},
                                {"CodIDS", kShort}}};
    return t;
}

const TableLayout& layoutContoCliente() {
    static const TableLayout t{"Conto_Cliente",
                               {{"NumeroHotel", kShort},
                                {"NumeroRiga", kLong},
                                {"CodiceCliente", kLong},
                                {"VoceAddebito", kShort},
                                {"DataAddebito", text(8)},
                                {"NumeroCamera", text(6)},
                                {"Descrizione", text(100)},
                                {"Quantit\xC3\xA0", kLong},
                                {"Importo", kCurrency}}};
    return t;
}

const TableLayout& layoutVociFattura() {
    static const TableLayout t{"VociFattura",
                               {{"NumeroHotel", kShort},
                                {"Codice", kShort},
                                {"Descrizione", text(40)},
                                {"Reparto", text(10)},
                                {"Importo", kCurrency},
                                {"AliquotaIva", kCurrency}}};
    return t;
}

const TableLayout& layoutAnagraficaHotels() {
    static const TableLayout t{"AnagraficaHotels",
                               {{"NumeroHotel", kShort},
                                {"Numero", kShort},
                                {"RagioneSociale", text(100)},
                                {"CodiceAssistenza", text(20)}}};
    return t;
}

const TableLayout& layoutDatiFattura() {
    static const TableLayout t = withKey("DatiFattura", {{"NCamera", text(6)},
                                                         {"NomeCliente", text(100)},
                                                         {"NPersone", kShort},
                                                         {"DataArrivo", text(8)},
                                                         {"DataPartenza", text(8)},
                                                         {"FormaPagamento", text(40)},
                                                         {"Totale", kCurrency},
                                                         {"CorrPagato", kCurrency},
                                                         {"CorrNonPagato", kCurrency},
                                                         {"Annullato", text(1)},
                                                         {"AnnullatoDaRiep", text(1)},
                                                         {"RiepAcc", text(1)},
                                                         {"SPPA", text(1)},
                                                         {"Stato", text(6)},
                                                         {"CFiscale", text(16)},
                                                         {"PIva", text(11)},
                                                         {"Note", text(100)}});
    return t;
}

const TableLayout& layoutDettaglioFattura() {
    static const TableLayout t = withKey("DettaglioFattura", {{"NumeroRiga", kLong},
                                                              {"CodiceVoce", kShort},
                                                              {"Descrizione", text(100)},
                                                              {"Quantit\xC3\xA0", kLong},
                                                              {"Importo", kCurrency},
                                                              {"DataAddebito", text(8)},
                                                              {"Iva", kShort}});
    return t;
}

const TableLayout& layoutIncassi() {
    static const TableLayout t = withKey(
        "Incassi",
        {{"NumeroRiga", kLong}, {"Sigla", text(10)}, {"Importo", kCurrency}, {"Nota", text(100)}});
    return t;
}

const TableLayout& layoutScorporoFattura() {
    static const TableLayout t =
        withKey("ScorporoFattura",
                {{"CodiceIva", kShort}, {"Imponibile", kCurrency}, {"Imposta", kCurrency}});
    return t;
}

const TableLayout& layoutCodiciIva() {
    static const TableLayout t{"CodiciIva",
                               {{"NumeroHotel", kShort},
                                {"Codice", kShort},
                                {"Descrizione", text(40)},
                                {"Valore", kCurrency}}};
    return t;
}

const TableLayout& layoutCodiciVari() {
    static const TableLayout t{"CodiciVari",
                               {{"NumeroHotel", kShort},
                                {"Tipo", kShort},
                                {"Sigla", text(10)},
                                {"Descrizione", text(40)},
                                {"Nazione", text(10)}}};
    return t;
}

const TableLayout& layoutDettaglio() {
    static const TableLayout t{"Dettaglio",
                               {{"NumeroHotel", kShort},
                                {"Tipo", text(20)},
                                {"Dettaglio", text(20)},
                                {"DataInserimento", text(8)},
                                {"Valore", kDouble}}};
    return t;
}

const TableLayout& layoutStampanti() {
    static const TableLayout t{"Stampanti",
                               {{"NumeroHotel", kShort},
                                {"Destinazione", text(40)},
                                {"Linea", text(100)},
                                {"TipoStampa", text(6)}}};
    return t;
}

const TableLayout& layoutSetStampa() {
    static const TableLayout t{
        "SetStampa", {{"TipoStampa", kShort}, {"Compresso", text(36)}, {"Grassetto", text(36)}}};
    return t;
}

const TableLayout& layoutContatori() {
    static const TableLayout t{
        "Contatori", {{"NumeroHotel", kShort}, {"LungPagComp", kShort}, {"LungPagNoComp", kShort}}};
    return t;
}

}  // namespace corvex::demo
