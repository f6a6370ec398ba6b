#include "data/fiscal.h"

#include "common/text.h"
#include "data/engine/database.h"
#include "data/engine/error.h"

namespace corvex {

namespace {

ChiaveDocumento chiaveDa(const db::Value& hotel, const db::Value& data, const db::Value& tipo,
                         const db::Value& numero, const db::Value& contatore) {
    ChiaveDocumento k;
    k.completa = !(hotel.isNull() || data.isNull() || tipo.isNull() || numero.isNull() ||
                   contatore.isNull());
    k.numeroHotel = hotel.toInt();
    k.dataEmissione = data.toText();
    k.tipoDocumento = tipo.toText();
    k.nDocumento = numero.toInt();
    k.contatore = contatore.toInt();
    return k;
}

}  // namespace

ChiaveDocumento ChiaveDocumento::leggi(const db::Recordset& rs) {
    return chiaveDa(rs.field("NumeroHotel"), rs.field("DataEmissione"), rs.field("TipoDocumento"),
                    rs.field("NDocumento"), rs.field("Contatore"));
}

std::string ChiaveDocumento::criterio() const {
    return "NumeroHotel = " + str(numeroHotel) +
           " and DataEmissione = " + db::quote(dataEmissione) +
           " and TipoDocumento = " + db::quote(tipoDocumento) +
           " and NDocumento = " + str(nDocumento) + " and Contatore = " + str(contatore);
}

std::string ChiaveDocumento::indice() const {
    std::string s = str(numeroHotel);
    s += '\x1f';
    s += dataEmissione;
    s += '\x1f';
    s += upper(tipoDocumento);
    s += '\x1f';
    s += str(nDocumento);
    s += '\x1f';
    s += str(contatore);
    return s;
}

CampiChiave::CampiChiave(const db::Recordset& rs, std::string_view tabella)
    : hotel_(indiceCampo(rs, "NumeroHotel", tabella)),
      data_(indiceCampo(rs, "DataEmissione", tabella)),
      tipo_(indiceCampo(rs, "TipoDocumento", tabella)),
      numero_(indiceCampo(rs, "NDocumento", tabella)),
      contatore_(indiceCampo(rs, "Contatore", tabella)) {}

ChiaveDocumento CampiChiave::leggi(const db::Recordset& rs) const {
    return chiaveDa(rs.field(hotel_), rs.field(data_), rs.field(tipo_), rs.field(numero_),
                    rs.field(contatore_));
}

bool isNotaCredito(std::string_view riepAcc) {
    return equalsNoCase(trim(riepAcc), "N");
}

bool isFattura(std::string_view tipoDocumento) {
    return equalsNoCase(left(tipoDocumento, 3), "Fat");
}

bool isRicevuta(std::string_view tipoDocumento) {
    return equalsNoCase(left(tipoDocumento, 3), "Ric");
}

ClasseDocumento classeDocumento(std::string_view tipoDocumento, std::string_view riepAcc) {
    if (equalsNoCase(trim(tipoDocumento), "ESTERNI")) return ClasseDocumento::Scontrini;
    const std::string iniziale = upper(left(trimLeft(tipoDocumento), 1));
    const bool nota = isNotaCredito(riepAcc);
    if (iniziale == "F") return nota ? ClasseDocumento::NoteCreditoF : ClasseDocumento::Fatture;
    if (iniziale == "R") return nota ? ClasseDocumento::NoteCreditoR : ClasseDocumento::Ricevute;
    return ClasseDocumento::Nessuna;
}

std::string filtroDocumentiImposta() {
    return "(Annullato <> 'S' or AnnullatoDaRiep = 'S') and RiepAcc <> 'R'";
}

std::string filtroContatore(int contatore) {
    if (contatore == 0) return {};
    return " and Contatore = " + str(contatore);
}

std::size_t indiceCampo(const db::Recordset& rs, std::string_view name, std::string_view tabella) {
    for (std::size_t i = 0; i < rs.fieldCount(); ++i) {
        if (equalsNoCase(rs.fieldName(i), name)) return i;
    }
    throw db::DbError(
        std::string(tabella), {},
        "il campo " + cp1252ToUtf8(name) + " manca nella tabella " + cp1252ToUtf8(tabella));
}

}  // namespace corvex
