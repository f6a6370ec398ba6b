// Planning the fiscal documents of the demo hotel: receipts and invoices at
// check-out, deposits, prepayments, credit notes, cancellations, monthly
// summary invoices of the agencies, receipts to walk-in customers of the bar
// and the restaurant, and the till takings of every day.
#include <algorithm>
#include <map>
#include <tuple>

#include "demo/calendar.h"
#include "demo/model.h"
#include "demo/random.h"

namespace corvex::demo {

namespace {

struct Form {
    const char* text;
    const char* sigla;  // "AS" has no payment code of type 4 in CodiciVari
    int weight;
};

const Form kForms[] = {
    {"Contanti", "CO", 280},         {"CONTANTI", "CO", 80},
    {"Carta di credito", "CC", 300}, {"Bancomat", "BA", 100},
    {"Bonifico bancario", "BO", 80}, {"Extra conto", "EX", 60},
    {"Assegno", "AS", 40},           {"", "CO", 30},
};

struct Company {
    const char* name;
    const char* piva;
    const char* stato;
    bool sppa;
};

const Company kCompanies[] = {
    {"Rossi Impianti S.r.l.", "01456780463", "I", false},
    {"Tecnoservizi S.p.A.", "02345670159", "I", false},
    {"Studio Associato Bianchi & Verdi", "03456780482", "I", false},
    {"Dall'Ò Costruzioni S.r.l.", "04567890464", "I", false},
    {"Logistica Tirrenica S.r.l.", "05678900497", "I", false},
    {"Müller Maschinenbau GmbH", "", "EE", false},
    {"Société Générale d'Études SA", "", "EE", false},
    {"Comune di Lucca", "00378210462", "I", true},
    {"Università degli Studi di Pisa", "00286820501", "I", true},
};

std::string fiscalCode(Rng& rng) {
    std::string s;
    auto letter = [&] { s += static_cast<char>('A' + rng.below(26)); };
    auto digit = [&] { s += static_cast<char>('0' + rng.below(10)); };
    for (int i = 0; i < 6; ++i) letter();
    digit(), digit(), letter(), digit(), digit(), letter(), digit(), digit(), digit(), letter();
    return s;
}

// "€ 3,00"
std::string euro(Currency c) {
    const std::int64_t cents = c.units() / 100;
    return "€ " + std::to_string(cents / 100) + "," + twoDigits(static_cast<int>(cents % 100));
}

bool isTax(int v) {
    return v >= kImpostaStandard && v <= kImpostaOltre;
}

const char* const kSubtotale = "---- SUBTOTALE ----";

class DocPlanner {
  public:
    DocPlanner(const Plan& plan, std::uint64_t seed)
        : p_(plan), rng_(seed * 0x9E3779B97F4A7C15ULL + 23) {}

    Fiscal run() {
        for (int i = 0; i < static_cast<int>(p_.stays.size()); ++i) {
            const Stay& s = p_.stays[i];
            if (s.group >= 0) {
                if (p_.groups[s.group].stays.front() == i) billGroup(p_.groups[s.group]);
            } else {
                billStay(i);
            }
        }
        for (const auto& [key, receipts] : riepiloghi_)
            makeRiepilogo(key.first, key.second, receipts);
        makeAnonime();
        makeEsterni();
        numberAll();
        return std::move(f_);
    }

  private:
    int add(Doc d) {
        f_.docs.push_back(std::move(d));
        return static_cast<int>(f_.docs.size()) - 1;
    }

    Doc base(int day, const std::vector<int>& stays, char kind) {
        Doc d;
        d.day = day;
        d.kind = kind;
        d.contatore = rng_.chance(150) ? 2 : 1;
        const Stay& first = p_.stays[stays.front()];
        d.room = p_.rooms[first.room].number;
        d.name = p_.guests[first.guests.front()].name;
        d.arrival = first.arrival;
        d.departure = first.departure;
        for (int si : stays) {
            d.persons += static_cast<int>(p_.stays[si].guests.size());
            d.departure = std::max(d.departure, p_.stays[si].departure);
        }
        if (rng_.chance(30)) d.persons = 0;  // not recorded
        return d;
    }

    // Lines from charges: one line per item for the stay's services, the
    // tourist tax night by night (or one undated line per tax item).
    void addChargeLines(Doc& d, const std::vector<const Charge*>& charges) {
        ++built_;
        const bool subtotal = built_ == 2 || rng_.chance(300);
        const bool undatedTax = built_ == 3 || rng_.chance(200);
        std::map<int, std::pair<int, Currency>> services;
        std::map<std::pair<int, int>, std::pair<int, Currency>> taxes;  // (day, item)
        for (const Charge* c : charges) {
            if (isTax(c->voce)) {
                auto& t = taxes[{undatedTax ? 0 : c->day, c->voce}];
                t.first += c->qty;
                t.second += c->importo;
            } else {
                auto& t = services[c->voce];
                t.first += c->qty;
                t.second += c->importo;
            }
        }
        auto service = [&](int v) {
            auto it = services.find(v);
            if (it == services.end()) return;
            d.lines.push_back(
                {v, voce(v).descr, it->second.first, it->second.second, "", voce(v).aliquota});
        };
        for (int v : {kPernottamento, kColazione, kRistorante, kParcheggio}) service(v);
        if (subtotal && !d.lines.empty()) {
            Currency sum;
            for (const auto& l : d.lines) sum += l.importo;
            d.lines.push_back({0, kSubtotale, 0, sum, "", 0});
        }
        for (int v : {kBar, kMinibar}) service(v);
        if (built_ == 5 || rng_.chance(25)) {
            d.lines.push_back(
                {0, "Anticipazione spese", 1, Currency::whole(rng_.between(10, 40)), "", 0});
        }
        if (rng_.chance(15)) {
            d.lines.push_back({0, "Biglietti escursione", 2, Currency::whole(36), "", 74});
        }
        for (const auto& [key, value] : taxes) {
            const auto [day, v] = key;
            std::string descr = voce(v).descr;
            if (v == kImpostaStandard && day != 0 && value.first > 0) {
                descr += " " + euro(tassa(day));
            }
            d.lines.push_back({v, descr, value.first, value.second,
                               day == 0 ? std::string("00000000") : sqlDate(day), kIvaImposta});
        }
        // Now and then a document billed with the tax undated was written
        // without the stay's dates (0 nights for the reports).
        if (undatedTax && !taxes.empty() && (!blankDatesSeen_ || rng_.chance(60))) {
            blankDatesSeen_ = true;
            d.arrival = kNoDate;
            d.departure = kNoDate;
        }
    }

    static Currency totalOf(const Doc& d) {
        Currency sum;
        for (const auto& l : d.lines) {
            if (l.descr != kSubtotale) sum += l.importo;
        }
        return sum;
    }

    const Form& pickForm() {
        int total = 0;
        for (const auto& f : kForms) total += f.weight;
        int r = rng_.below(total);
        for (const auto& f : kForms) {
            if (r < f.weight) return f;
            r -= f.weight;
        }
        return kForms[0];
    }

    // Totale, what was paid and how.
    void settle(Doc& d, bool allowUnpaid) {
        d.totale = totalOf(d);
        // One receipt at least is paid by cheque, a kind with no payment code.
        const bool cheque = !chequeSeen_ && d.kind == 'R' && built_ >= 4;
        chequeSeen_ = chequeSeen_ || cheque;
        const Form& form = cheque ? kForms[6] : pickForm();
        d.forma = form.text;
        d.pagato = d.totale;
        const bool unpaid = allowUnpaid && d.kind == 'R' && d.totale > Currency::whole(30) &&
                            (!unpaidSeen_ || rng_.chance(40));
        unpaidSeen_ = unpaidSeen_ || unpaid;
        if (unpaid) {
            d.nonPagato = Currency::whole(10 * rng_.between(1, 3));
            d.pagato = d.totale - d.nonPagato;
        }
        if (!cheque && d.pagato > Currency::whole(40) && rng_.chance(80)) {
            const Currency cash = Currency::whole(10 * rng_.between(1, 3));
            d.payments.push_back({"CO", cash, ""});
            d.payments.push_back({"CC", d.pagato - cash, ""});
        } else if (d.pagato != Currency()) {
            d.payments.push_back({form.sigla, d.pagato, ""});
        }
    }

    void invoiceCustomer(Doc& d) {
        // The first invoices go to a private person and to a public body, so
        // that every size and seed has both.
        const int r = rng_.below(100);
        if (!privateSeen_ || (sppaSeen_ && r < 25)) {  // fiscal code, no VAT number
            privateSeen_ = true;
            d.cfiscale = fiscalCode(rng_);
            return;
        }
        // Public bodies (split payment) are a few customers among many.
        const Company& c = !sppaSeen_ || rng_.chance(100) ? kCompanies[7 + rng_.below(2)]
                                                          : kCompanies[rng_.below(7)];
        sppaSeen_ = sppaSeen_ || c.sppa;
        d.name = c.name;
        d.piva = c.piva;
        d.cfiscale = c.piva;
        d.stato = c.stato;
        d.sppa = c.sppa;
    }

    std::vector<const Charge*> chargesOf(const std::vector<int>& stays) const {
        std::vector<const Charge*> out;
        for (int si : stays) {
            const Stay& s = p_.stays[si];
            for (std::size_t k = s.firstCharge; k < s.endCharge; ++k) out.push_back(&p_.charges[k]);
        }
        return out;
    }

    // A final document, now and then cancelled and issued again, now and then
    // followed by a credit note.
    void issue(Doc d) {
        ++issued_;
        if ((!cancelSeen_ && issued_ >= 3) || rng_.chance(15)) {
            cancelSeen_ = true;
            Doc cancelled = d;
            cancelled.annullato = true;
            cancelled.payments.clear();
            add(std::move(cancelled));
        }
        const bool first = d.kind == 'F' ? !creditF_ : !creditR_ && issued_ >= 4;
        const int index = add(std::move(d));
        if (first || rng_.chance(20)) creditNote(index);
    }

    void creditNote(int index) {
        const Doc& original = f_.docs[index];
        const int day = original.day + rng_.between(1, 7);
        if (day > p_.lastDay) return;
        Doc n = original;
        n.day = day;
        n.riepAcc = "N";
        n.annullato = false;
        n.lines.clear();
        n.payments.clear();
        n.nonPagato = Currency();
        n.ref = index;
        for (const auto& l : original.lines) {
            if (l.voce == kPernottamento && l.qty > 0) {
                Currency night = Currency::fromUnits(l.importo.units() / l.qty / 100 * 100);
                n.lines.push_back({kPernottamento, "Storno pernottamento", 1, night, "", l.iva});
                break;
            }
        }
        for (auto it = original.lines.rbegin(); it != original.lines.rend(); ++it) {
            if (isTax(it->voce)) {
                n.lines.push_back(*it);
                break;
            }
        }
        if (n.lines.empty()) return;
        (n.kind == 'F' ? creditF_ : creditR_) = true;
        n.totale = totalOf(n);
        n.pagato = n.totale;
        n.payments.push_back(
            {original.payments.empty() ? "CO" : original.payments.front().sigla, -n.totale, ""});
        add(std::move(n));
    }

    void billStay(int index) {
        const Stay& s = p_.stays[index];
        const Guest& leader = p_.guests[s.guests.front()];
        const std::vector<int> stays{index};
        std::vector<const Charge*> charges = chargesOf(stays);
        const bool departed = leader.departed;
        const char kind = (!invoiceSeen_ && issued_ >= 1) || rng_.chance(220) ? 'F' : 'R';
        invoiceSeen_ = invoiceSeen_ || kind == 'F';

        // A deposit paid weeks before the arrival, deducted at check-out;
        // a parking space booked with the room is paid in advance too, at
        // its own rate.
        int depositDoc = -1;
        Currency deposit, parkingDeposit;
        Currency rooms, parking;
        for (const Charge* c : charges) {
            if (c->voce == kPernottamento) rooms += c->importo;
            if (c->voce == kParcheggio && c->day <= p_.lastDay) parking += c->importo;
        }
        const bool withParking = parking > Currency() && (!parkingDepositSeen_ || rng_.chance(400));
        if (!s.prepaid && s.arrival - 30 >= p_.firstDay &&
            (!depositSeen_ || rng_.chance(80) || (withParking && !parkingDepositSeen_))) {
            depositSeen_ = true;
            deposit =
                Currency::whole(std::max<std::int64_t>(20, rooms.truncated() * 3 / 10 / 10 * 10));
            Doc a = base(s.arrival - rng_.between(3, 30), stays, 'R');
            a.riepAcc = "A";
            a.lines.push_back({0, "Acconto su prenotazione n. " + std::to_string(s.prenotazione), 1,
                               deposit, "", 10});
            if (withParking) {
                parkingDepositSeen_ = true;
                parkingDeposit = Currency::whole(15);
                a.lines.push_back(
                    {0, "Acconto parcheggio", 1, parkingDeposit, "", voce(kParcheggio).aliquota});
            }
            a.totale = totalOf(a);
            a.pagato = a.totale;
            a.forma = rng_.chance(500) ? "Bonifico bancario" : "Carta di credito";
            a.payments.push_back({a.forma[0] == 'B' ? "BO" : "CC", a.totale, ""});
            depositDoc = add(std::move(a));
        }

        if (s.prepaid) {
            // Room and tax paid on arrival for the whole stay; the extras at check-out.
            std::vector<const Charge*> now, later;
            for (const Charge* c : charges) {
                (c->voce == kPernottamento || c->voce == kColazione || isTax(c->voce) ? now : later)
                    .push_back(c);
            }
            Doc d = base(s.arrival, stays, 'R');
            addChargeLines(d, now);
            settle(d, false);
            add(std::move(d));
            charges = later;
            if (charges.empty()) return;
        }
        if (!departed) return;  // still in house: billed at check-out, after the data ends

        const int day = std::max(s.departure, s.arrival);
        Doc d = base(day, stays, kind);
        if (kind == 'F') invoiceCustomer(d);
        // Now and then the extras go on a receipt of their own for the same room.
        if (kind == 'R' && (!extrasSeen_ || rng_.chance(30))) {
            std::vector<const Charge*> extras, rest;
            for (const Charge* c : charges) {
                (c->voce == kBar || c->voce == kMinibar ? extras : rest).push_back(c);
            }
            if (!extras.empty() && !rest.empty()) {
                extrasSeen_ = true;
                Doc e = base(day, stays, 'R');
                e.note = "CAMERA RIF. " + e.room;
                addChargeLines(e, extras);
                settle(e, true);
                issue(std::move(e));
                charges = rest;
            }
        }
        addChargeLines(d, charges);
        if (depositDoc >= 0) {
            const std::string when = deskDate(f_.docs[depositDoc].day);
            d.lines.push_back({0, "Acconto del " + when, 1, -deposit, "", 10});
            if (parkingDeposit != Currency()) {
                d.lines.push_back({0, "Acconto parcheggio del " + when, 1, -parkingDeposit, "",
                                   voce(kParcheggio).aliquota});
            }
        }
        settle(d, true);
        issue(std::move(d));
    }

    void billGroup(const Group& g) {
        const Guest& leader = p_.guests[g.leader];
        if (!leader.departed) return;
        const Stay& first = p_.stays[g.stays.front()];
        const Agency& agency = agencies()[g.agency];
        const std::vector<const Charge*> charges = chargesOf(g.stays);
        int day = first.departure;
        for (int si : g.stays) day = std::max(day, p_.stays[si].departure);
        const bool summarised = !summarySeen_ || (directSeen_ && rng_.chance(700));
        (summarised ? summarySeen_ : directSeen_) = true;
        if (summarised) {
            // A receipt charged to the agency, summarised at the end of the
            // month in one invoice that cancels it.
            Doc d = base(day, g.stays, 'R');
            d.contatore = 1;
            addChargeLines(d, charges);
            d.totale = totalOf(d);
            d.forma = "Conto all'Agenzia";
            d.nonPagato = d.totale;
            d.annullato = true;
            d.annullatoDaRiep = true;
            const Ymd c = civil(day);
            const int index = add(std::move(d));
            riepiloghi_[{g.agency, c.y * 12 + c.m - 1}].push_back(index);
            return;
        }
        Doc d = base(day, g.stays, 'F');
        d.name = agency.name;
        d.piva = agency.piva;
        d.cfiscale = agency.piva;
        addChargeLines(d, charges);
        d.totale = totalOf(d);
        d.forma = "Bonifico bancario";
        d.pagato = d.totale;
        d.payments.push_back({"BO", d.totale, ""});
        issue(std::move(d));
    }

    void makeRiepilogo(int agencyIndex, int month, const std::vector<int>& receipts) {
        const Agency& agency = agencies()[agencyIndex];
        const int y = month / 12, m = month % 12 + 1;
        const int endOfMonth = (m == 12 ? dayNumber(y + 1, 1, 1) : dayNumber(y, m + 1, 1)) - 1;
        Doc d;
        d.day = std::min(endOfMonth, p_.lastDay);
        d.kind = 'F';
        d.contatore = 1;
        d.riepAcc = "R";
        d.name = agency.name;
        d.piva = agency.piva;
        d.cfiscale = agency.piva;
        d.forma = "Bonifico bancario";
        d.room = f_.docs[receipts.front()].room;
        d.arrival = kNoDate;
        d.departure = kNoDate;
        for (int r : receipts) {
            const Doc& receipt = f_.docs[r];
            d.persons += receipt.persons;
            if (receipt.arrival != kNoDate) {  // the stay's dates, when the receipt has them
                d.arrival =
                    d.arrival == kNoDate ? receipt.arrival : std::min(d.arrival, receipt.arrival);
                d.departure = std::max(d.departure, receipt.departure);
            }
            DocLine heading{0, "", 0, Currency(), "", 0};
            heading.refDoc = r;
            d.lines.push_back(heading);
            for (const auto& l : receipt.lines) {
                if (l.descr != kSubtotale) d.lines.push_back(l);
            }
        }
        d.totale = totalOf(d);
        d.pagato = d.totale;
        d.payments.push_back({"BO", d.totale, ""});
        add(std::move(d));
    }

    // Receipts to customers who are not guests: a meal or a drink, now and
    // then excursion tickets sold at the desk. The suite writes "?" as the
    // customer's name, no room and no stay.
    void makeAnonime() {
        const int perDay = 1 + static_cast<int>(p_.rooms.size()) / 40;
        for (int day = p_.firstDay; day <= p_.lastDay; ++day) {
            const bool force = day == p_.firstDay + 2;
            if (!force && !rng_.chance(600)) continue;
            const int n = force ? 1 : rng_.between(1, perDay);
            for (int i = 0; i < n; ++i) {
                Doc d;
                d.day = day;
                d.kind = 'R';
                d.contatore = rng_.chance(150) ? 2 : 1;
                d.name = "?";
                d.persons = rng_.between(1, 4);
                d.arrival = kNoDate;
                d.departure = kNoDate;
                const int k = force ? 0 : rng_.below(10);
                if (k < 5) {
                    d.lines.push_back({kRistorante, voce(kRistorante).descr, d.persons,
                                       voce(kRistorante).price * d.persons, "",
                                       voce(kRistorante).aliquota});
                }
                if (k < 2 || k >= 5) {
                    const int q = rng_.between(1, 6);
                    d.lines.push_back(
                        {kBar, voce(kBar).descr, q, voce(kBar).price * q, "", voce(kBar).aliquota});
                }
                if (force || rng_.chance(80)) {
                    d.lines.push_back({0, "Biglietti escursione", d.persons,
                                       Currency::whole(18) * d.persons, "", 74});
                }
                d.totale = totalOf(d);
                d.pagato = d.totale;
                const bool card = rng_.chance(450);
                d.forma = card ? "Carta di credito" : "Contanti";
                d.payments.push_back({card ? "CC" : "CO", d.totale, ""});
                add(std::move(d));
            }
        }
    }

    void makeEsterni() {
        const int perDay = 1 + static_cast<int>(p_.rooms.size()) / 25;
        for (int day = p_.firstDay; day <= p_.lastDay; ++day) {
            const int n = rng_.between(1, perDay);
            for (int i = 0; i < n; ++i) {
                Esterno e;
                e.day = day;
                e.contatore = rng_.chance(800) ? 1 : 2;
                e.sigla = rng_.chance(600) ? "CO" : "CC";
                if (rng_.chance(700)) {
                    e.importo = Currency::fromUnits(5000) * rng_.between(3, 120);
                    e.nota = "0003 Bar";
                } else {
                    e.importo = Currency::whole(rng_.between(15, 120));
                    e.nota = "0004 Ristorante";
                }
                f_.esterni.push_back(e);
            }
        }
    }

    // Issue order (by day, stable), then the numbers: one sequence per
    // counter, document type and year, so numbers repeat across counters.
    void numberAll() {
        std::vector<int> order(f_.docs.size());
        for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return f_.docs[a].day < f_.docs[b].day; });
        std::vector<int> where(order.size());
        std::vector<Doc> sorted;
        sorted.reserve(order.size());
        for (std::size_t i = 0; i < order.size(); ++i) {
            where[order[i]] = static_cast<int>(i);
            sorted.push_back(std::move(f_.docs[order[i]]));
        }
        std::map<std::tuple<int, char, int>, std::int32_t> next;
        for (auto& d : sorted) {
            d.number = ++next[{d.contatore, d.kind, civil(d.day).y}];
            if (d.ref >= 0) d.ref = where[d.ref];
            for (auto& l : d.lines) {
                if (l.refDoc >= 0) l.refDoc = where[l.refDoc];
            }
        }
        for (auto& d : sorted) {
            for (auto& l : d.lines) {
                if (l.refDoc < 0) continue;
                const Doc& r = sorted[l.refDoc];
                l.descr = "Ricevuta n. " + std::to_string(r.number) + " del " + deskDate(r.day);
            }
            if (d.riepAcc == "N" && d.ref >= 0) {
                const Doc& r = sorted[d.ref];
                d.note = std::string("Nota di credito su ") +
                         (r.kind == 'F' ? "Fattura" : "Ricevuta") + " n. " +
                         std::to_string(r.number) + " del " + deskDate(r.day);
            }
        }
        f_.docs = std::move(sorted);
    }

    const Plan& p_;
    Rng rng_;
    Fiscal f_;
    std::map<std::pair<int, int>, std::vector<int>> riepiloghi_;
    // Each feature appears at least once whatever the size and seed.
    int built_ = 0, issued_ = 0;
    bool chequeSeen_ = false, unpaidSeen_ = false, cancelSeen_ = false, creditF_ = false,
         creditR_ = false, depositSeen_ = false, invoiceSeen_ = false, summarySeen_ = false,
         directSeen_ = false, blankDatesSeen_ = false, parkingDepositSeen_ = false,
         privateSeen_ = false, sppaSeen_ = false, extrasSeen_ = false;
};

}  // namespace

Fiscal planDocuments(const Plan& plan, std::uint64_t seed) {
    return DocPlanner(plan, seed).run();
}

}  // namespace corvex::demo
