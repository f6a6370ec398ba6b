// Planning the demo hotel: rooms, stays, guests and the charges posted to
// their accounts, night by night.
#include <algorithm>

#include "demo/calendar.h"
#include "demo/model.h"
#include "demo/random.h"

namespace corvex::demo {

namespace {

struct Place {
    const char* city;
    const char* province;
    const char* cap;
};

const Place kItalianPlaces[] = {
    {"Milano", "MI", "20121"},
    {"Roma", "RM", "00184"},
    {"Torino", "TO", "10121"},
    {"Napoli", "NA", "80133"},
    {"Bologna", "BO", "40121"},
    {"Firenze", "FI", "50122"},
    {"Genova", "GE", "16121"},
    {"Bari", "BA", "70121"},
    {"Verona", "VR", "37121"},
    {"Padova", "PD", "35121"},
    {"Forlì", "FC", "47121"},
    {"L'Aquila", "AQ", "67100"},
    {"Reggio nell'Emilia", "RE", "42121"},
    {"San Giovanni in Persiceto", "BO", "40017"},
    {"Cantù", "CO", "22063"},
    {"Sant'Agata de' Goti", "BN", "82019"},
    {"Prato", "PO", "59100"},
    {"Brescia", "BS", "25121"},
    {"Bergamo", "BG", "24121"},
    {"Trento", "TN", "38122"},
    {"Bolzano", "BZ", "39100"},
    {"Perugia", "PG", "06121"},
    {"Palermo", "PA", "90133"},
    {"Catania", "CT", "95131"},
};

const char* const kItalianMale[] = {
    "Marco",    "Luca",   "Giuseppe", "Francesco", "Alessandro", "Andrea",  "Matteo",
    "Lorenzo",  "Davide", "Simone",   "Riccardo",  "Tommaso",    "Nicolò",  "Niccolò",
    "Gabriele", "Pietro", "Giovanni", "Stefano",   "Paolo",      "Antonio", "Fabrizio",
    "Emanuele", "Mattia", "Federico", "Ettore",
};
const char* const kItalianFemale[] = {
    "Giulia", "Francesca", "Chiara",   "Sara",   "Martina",  "Alessia", "Aurora", "Sofia",
    "Elena",  "Anna",      "Beatrice", "Alice",  "Emma",     "Irene",   "Noemi",  "Rosa",
    "Ada",    "Valentina", "Federica", "Ilaria", "Lucrezia", "Bianca",
};
const char* const kItalianSurnames[] = {
    "Rossi",   "Russo",   "Ferrari",  "Esposito", "Bianchi",   "Romano",   "Colombo",
    "Ricci",   "Marino",  "Greco",    "Bruno",    "Gallo",     "Conti",    "De Luca",
    "Mancini", "Costa",   "Giordano", "Rizzo",    "Lombardi",  "Moretti",  "Barbieri",
    "Fontana", "Santoro", "Mariani",  "Rinaldi",  "Caruso",    "Ferrara",  "Galli",
    "Martini", "Leone",   "D'Angelo", "Dall'Ò",   "De Santis", "Fabbri",   "Pellegrini",
    "Palumbo", "Sanna",   "Farina",   "Negri",    "Battaglia", "Cattaneo", "Benedetti",
    "Morelli", "Guerra",  "Caputo",   "Messina",  "Milani",    "Grassi",   "Zanetti",
    "Longo",
};

struct Country {
    const char* stato;
    const char* lingua;
    const char* const* male;
    int maleCount;
    const char* const* female;
    int femaleCount;
    const char* const* surnames;
    int surnameCount;
    const char* const* cities;
    int cityCount;
};

#define LIST(a) a, static_cast<int>(sizeof(a) / sizeof(a[0]))

const char* const kDeMale[] = {"Jürgen", "Lukas", "Felix", "Maximilian", "Jörg", "Stefan"};
const char* const kDeFemale[] = {"Anna", "Lena", "Zoë", "Jana", "Käthe", "Brigitte"};
const char* const kDeSurnames[] = {"Müller", "Schmidt", "Schneider", "Fischer",  "Weber",
                                   "Wagner", "Becker",  "Schäfer",   "Hoffmann", "Krüger"};
const char* const kDeCities[] = {"München", "Berlin", "Köln", "Hamburg", "Stuttgart"};
const char* const kChCities[] = {"Zürich", "Basel", "Bern", "Genève"};
const char* const kAtCities[] = {"Wien", "Graz", "Salzburg", "Innsbruck"};
const char* const kFrMale[] = {"François", "Jérôme", "Théo", "Benoît", "Olivier"};
const char* const kFrFemale[] = {"Anaïs", "Chloé", "Léa", "Hélène", "Brigitte"};
const char* const kFrSurnames[] = {"Dubois", "Lefèvre", "Moreau", "Girard", "Lambert", "Fournier"};
const char* const kFrCities[] = {"Paris", "Lyon", "Marseille", "Nantes"};
const char* const kEnMale[] = {"Oliver", "Harry", "Jack", "Seán", "Michael", "James"};
const char* const kEnFemale[] = {"Amelia", "Olivia", "Emily", "Jennifer", "Siobhán"};
const char* const kEnSurnames[] = {"Smith",    "Jones",  "Taylor",  "Brown",
                                   "O'Connor", "Wilson", "Johnson", "Miller"};
const char* const kGbCities[] = {"London", "Manchester", "Edinburgh", "Bristol"};
const char* const kUsCities[] = {"New York", "Boston", "Chicago", "San Francisco"};
const char* const kEsMale[] = {"José", "Álvaro", "Iñigo", "Javier"};
const char* const kEsFemale[] = {"María", "Lucía", "Begoña", "Inés"};
const char* const kEsSurnames[] = {"García", "Fernández", "López", "Martínez", "Muñoz"};
const char* const kEsCities[] = {"Madrid", "Barcelona", "Sevilla", "A Coruña"};
const char* const kNlMale[] = {"Daan", "Bram", "Sem", "Joël"};
const char* const kNlFemale[] = {"Sanne", "Zoë", "Fleur", "Anouk"};
const char* const kNlSurnames[] = {"de Vries", "van Dijk", "Jansen", "Bakker", "Visser"};
const char* const kNlCities[] = {"Amsterdam", "Rotterdam", "Utrecht"};
const char* const kPlMale[] = {"Łukasz", "Piotr", "Paweł", "Tomasz"};
const char* const kPlFemale[] = {"Katarzyna", "Zofia", "Małgorzata", "Agnieszka"};
const char* const kPlSurnames[] = {"Nowak", "Kowalski", "Wiśniewski", "Wójcik"};
const char* const kPlCities[] = {"Kraków", "Warszawa", "Gdańsk"};

const Country kCountries[] = {
    {"D", "DE", LIST(kDeMale), LIST(kDeFemale), LIST(kDeSurnames), LIST(kDeCities)},
    {"D", "DE", LIST(kDeMale), LIST(kDeFemale), LIST(kDeSurnames), LIST(kDeCities)},
    {"CH", "DE", LIST(kDeMale), LIST(kDeFemale), LIST(kDeSurnames), LIST(kChCities)},
    {"A", "DE", LIST(kDeMale), LIST(kDeFemale), LIST(kDeSurnames), LIST(kAtCities)},
    {"F", "FR", LIST(kFrMale), LIST(kFrFemale), LIST(kFrSurnames), LIST(kFrCities)},
    {"GB", "EN", LIST(kEnMale), LIST(kEnFemale), LIST(kEnSurnames), LIST(kGbCities)},
    {"USA", "EN", LIST(kEnMale), LIST(kEnFemale), LIST(kEnSurnames), LIST(kUsCities)},
    {"E", "ES", LIST(kEsMale), LIST(kEsFemale), LIST(kEsSurnames), LIST(kEsCities)},
    {"NL", "NL", LIST(kNlMale), LIST(kNlFemale), LIST(kNlSurnames), LIST(kNlCities)},
    {"PL", "PL", LIST(kPlMale), LIST(kPlFemale), LIST(kPlSurnames), LIST(kPlCities)},
};

#undef LIST

const char* const kStreets[] = {"Via Roma",     "Via Garibaldi", "Corso Italia", "Via Mazzini",
                                "Piazza Duomo", "Via dei Mille", "Viale Europa", "Via San Martino"};
const char* const kForeignStreets[] = {"Hauptstraße", "Rue de la Paix", "High Street",
                                       "Calle Mayor", "Main Street",    "Kerkstraat"};
const char* const kUsers[] = {"RECEPTION", "RECEPTION", "RECEPTION", "NOTTE", "ADMIN"};

// One long name in a hundred: the reports cut names at 20, 25 or 30 characters.
const char* const kLongTails[] = {"Pellegrini Martini dei Conti", "Caruso Vitali della Rovere",
                                  "Sforza Visconti di Modrone"};

const std::vector<Agency> kAgencies = {
    {101, "Viaggi del Sole S.r.l.", "01234567890"},
    {102, "Tuscany Tours Ltd", "09876543210"},
    {103, "Reisebüro Sonnenschein GmbH", "11223344556"},
    {104, "Agenzia Il Girasole di Dell'Acqua & C.", "66554433221"},
};

struct Span {
    int firstDay, lastDay, archiveBefore, rooms;
};

Span spanOf(Size size) {
    const int last = dayNumber(2025, 12, 31);
    switch (size) {
        case Size::Small:
            return {dayNumber(2025, 11, 1), last, dayNumber(2025, 12, 1), 8};
        case Size::Hotel:
            return {dayNumber(2025, 1, 1), last, dayNumber(2025, 10, 1), 60};
        case Size::Large:
            return {dayNumber(2021, 1, 1), last, dayNumber(2025, 10, 1), 150};
    }
    return {last, last, last, 1};
}

std::vector<Room> roomsOf(Size size) {
    std::vector<Room> rooms;
    // An annex with rooms "1", "2", ... beside the main building's 101, 102,
    // ...: room numbers are texts, so "10" sorts between "1" and "101".
    int annex = 0, floors = 0, perFloor = 0;
    switch (size) {
        case Size::Small:
            annex = 2, floors = 2, perFloor = 3;
            break;
        case Size::Hotel:
            annex = 5, floors = 5, perFloor = 11;
            break;
        case Size::Large:
            annex = 10, floors = 7, perFloor = 20;
            break;
    }
    for (int i = 1; i <= annex; ++i) rooms.push_back({std::to_string(i), 70});
    for (int f = 1; f <= floors; ++f) {
        for (int i = 1; i <= perFloor; ++i) {
            rooms.push_back({std::to_string(f * 100 + i), 80 + 15 * f + (i % 4 == 0 ? 30 : 0)});
        }
    }
    return rooms;
}

// Arrival chance per free room and day, per thousand, by month.
const int kSeason[12] = {250, 280, 380, 480, 560, 700, 800, 850, 650, 450, 300, 420};
const int kPriceFactor[12] = {90, 90, 100, 105, 110, 125, 140, 150, 120, 100, 90, 110};

std::string digits(Rng& rng, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>('0' + rng.below(10));
    return s;
}

std::string letters(Rng& rng, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>('A' + rng.below(26));
    return s;
}

std::string lowerAscii(std::string s) {
    std::string out;
    for (char c : s) {
        if (c >= 'A' && c <= 'Z')
            out += static_cast<char>(c - 'A' + 'a');
        else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            out += c;
    }
    return out;
}

enum class Age { Adult, Teen, Child };

class Planner {
  public:
    Planner(Size size, std::uint64_t seed) : rng_(seed * 0x2545F4914F6CDD1DULL + 11) {
        const Span span = spanOf(size);
        plan_.size = size;
        plan_.firstDay = span.firstDay;
        plan_.lastDay = span.lastDay;
        plan_.archiveBefore = span.archiveBefore;
        plan_.rooms = roomsOf(size);
        freeFrom_.assign(plan_.rooms.size(), span.firstDay);
    }

    Plan run() {
        for (int day = plan_.firstDay; day <= plan_.lastDay; ++day) {
            // Every size holds at least one group, a few days in.
            maybeGroup(day, plan_.groups.empty() && day == plan_.firstDay + 4);
            const int month = civil(day).m - 1;
            for (int r = 0; r < static_cast<int>(plan_.rooms.size()); ++r) {
                if (freeFrom_[r] > day) continue;
                if (!rng_.chance(kSeason[month])) continue;
                // ... and at least one stay well beyond the tax's nights.
                const int nights = plan_.stays.size() == 2 ? kGGMax + 5 : nightsOfStay();
                makeStay(r, day, nights, -1);
            }
        }
        return std::move(plan_);
    }

  private:
    int nightsOfStay() {
        const int p = rng_.below(1000);
        if (p < 8) return 0;  // day use: arrives and leaves the same day
        if (p < 200) return 1;
        if (p < 450) return 2;
        if (p < 650) return 3;
        if (p < 850) return rng_.between(4, 6);
        if (p < 920) return 7;
        if (p < 980) return rng_.between(8, 14);
        return rng_.between(15, 30);  // long stays, well beyond the tax's nights
    }

    void maybeGroup(int day, bool force) {
        const int rooms = static_cast<int>(plan_.rooms.size());
        const int chancePerMille = plan_.size == Size::Small ? 60 : 45;
        if (!force && !rng_.chance(chancePerMille)) return;
        std::vector<int> free;
        for (int r = 0; r < rooms; ++r) {
            if (freeFrom_[r] <= day) free.push_back(r);
        }
        const int wanted = plan_.size == Size::Small ? rng_.between(2, 3) : rng_.between(3, 8);
        if (static_cast<int>(free.size()) < wanted + 1) return;
        const int nights = rng_.between(1, 5);
        Group group;
        group.agency = rng_.below(static_cast<int>(kAgencies.size()));
        const int g = static_cast<int>(plan_.groups.size());
        plan_.groups.push_back(group);
        const int start = rng_.below(static_cast<int>(free.size()) - wanted + 1);
        for (int i = 0; i < wanted; ++i) makeStay(free[start + i], day, nights, g);
    }

    Guest& newGuest(int stay, int arrivalDay, Age age, const Guest* family, bool italian,
                    int country) {
        Guest g;
        g.np = nextNp_++;
        g.stay = stay;
        g.idUser = rng_.pick(kUsers);
        const bool male = rng_.chance(500);
        g.sesso = male ? "M" : "F";
        std::string first, surname;
        if (italian) {
            first = male ? rng_.pick(kItalianMale) : rng_.pick(kItalianFemale);
            surname = rng_.pick(kItalianSurnames);
        } else {
            const Country& c = kCountries[country];
            first = male ? c.male[rng_.below(c.maleCount)] : c.female[rng_.below(c.femaleCount)];
            surname = c.surnames[rng_.below(c.surnameCount)];
        }
        if (family && (age != Age::Adult || rng_.chance(400))) {
            // Children take the family's surname, so do some partners.
            surname = family->name.substr(0, family->name.find(' '));
            if (surname.empty()) surname = family->name;
        }
        if (rng_.chance(10)) surname += std::string(" ") + rng_.pick(kLongTails);
        g.name = surname + " " + first;
        if (forceCaret_ || rng_.chance(5)) g.name = "^" + g.name;  // a name the suite marks
        forceCaret_ = false;

        const int arrivalYear = civil(arrivalDay).y;
        int years = 0;
        switch (age) {
            case Age::Adult:
                years = rng_.between(18, 84);
                break;
            case Age::Teen:
                years = rng_.between(14, 17);
                break;
            case Age::Child:
                years = rng_.between(0, 13);
                break;
        }
        // Ages are whole calendar years at arrival, as the reports count them.
        g.birth = dayNumber(arrivalYear - years, rng_.between(1, 12), rng_.between(1, 28));
        if (age == Age::Adult && rng_.chance(4)) g.birth = kNoDate;  // birth date never recorded

        g.italian = italian;
        if (family) {
            g.residence = family->residence;
            g.address = family->address;
            g.province = family->province;
            g.cap = family->cap;
            g.nazione = family->nazione;
            g.stato = family->stato;
            g.lingua = family->lingua;
            g.birthPlace = rng_.chance(700) ? family->residence : family->birthPlace;
        } else if (italian) {
            const bool resident = forceResident_ || rng_.chance(25);
            forceResident_ = false;
            const Place& home =
                resident ? Place{kComune, "LU", "55100"} : rng_.pick(kItalianPlaces);
            g.residence = home.city;
            g.province = home.province;
            g.cap = home.cap;
            g.address =
                std::string(rng_.pick(kStreets)) + " " + std::to_string(rng_.between(1, 120));
            g.nazione = "I";
            g.stato = "I";
            g.lingua = "I";
            g.birthPlace = rng_.chance(600) ? home.city : rng_.pick(kItalianPlaces).city;
        } else {
            const Country& c = kCountries[country];
            g.residence = c.cities[rng_.below(c.cityCount)];
            g.province = "EE";
            g.cap = digits(rng_, 5);
            g.address =
                std::string(rng_.pick(kForeignStreets)) + " " + std::to_string(rng_.between(1, 80));
            g.nazione = "EE";
            g.stato = c.stato;
            g.lingua = c.lingua;
            g.birthPlace = c.cities[rng_.below(c.cityCount)];
        }
        // A mark the suite puts in Lingua for records no report must count.
        if (forceStar_ || rng_.chance(10)) {
            forceStar_ = false;
            const int k = rng_.below(3);
            g.lingua = k == 0 ? "*" : g.lingua + "*";
        }
        if (age == Age::Adult) {
            const int kind = rng_.below(3);
            g.docType = kind == 0 ? "PASOR" : kind == 1 ? "PATEN" : "IDENT";
            g.docNumber = letters(rng_, 2) + digits(rng_, 7);
            g.docAuthority = italian ? "Comune di " + g.residence : "Autorità di " + g.residence;
            g.docDate = plan_.firstDay - rng_.between(30, 3600);
        }
        const bool resident = italian && g.residence == kComune;
        const int ageYears = g.birth == kNoDate ? 40 : arrivalYear - civil(g.birth).y;
        g.codIds = ageYears < kEtaMin ? kImpostaMinori
                   : resident         ? kImpostaResidenti
                                      : kImpostaStandard;
        if (rng_.chance(30)) g.clienteAbituale = 5000 + rng_.below(400);
        g.oraArrivo = rng_.between(12, 22);
        g.oraPartenza = rng_.between(7, 11);
        plan_.guests.push_back(std::move(g));
        return plan_.guests.back();
    }

    void makeStay(int room, int day, int nights, int group) {
        const int index = static_cast<int>(plan_.stays.size());
        Stay s;
        s.room = room;
        s.arrival = day;
        s.plannedDeparture = day + nights;
        s.departure = s.plannedDeparture;
        s.group = group;
        s.prenotazione = group >= 0 && !plan_.groups[group].stays.empty()
                             ? plan_.stays[plan_.groups[group].stays.front()].prenotazione
                             : nextBooking_++;
        s.combinedTax = rng_.chance(200);
        s.prepaid = group < 0 && nights >= 2 && (!prepaidSeen_ || rng_.chance(50));
        prepaidSeen_ = prepaidSeen_ || s.prepaid;
        // The first stays carry the rarer records, so that every size and
        // seed has them: a record not counted ('*'), a name marked with '^',
        // a resident of the town.
        forceStar_ = index == 1;
        forceCaret_ = index == 3;
        forceResident_ = index == 5;
        const int board = rng_.below(10);
        s.offerta = board < 6 ? "BB" : board < 8 ? "HB" : "RO";
        if (group >= 0) s.offerta = "HB";
        // Now and then the guests leave a night early.
        if (nights >= 3 && !s.prepaid && rng_.chance(40)) s.departure -= 1;

        // The party: a single, a couple, a family with children, three adults.
        const int p = rng_.below(100);
        int adults = 1, teens = 0, children = 0;
        if (group >= 0)
            adults = rng_.chance(800) ? 2 : 1;
        else if (p < 30)
            adults = 1;
        else if (p < 68)
            adults = 2;
        else if (p < 90)
            adults = 2, children = rng_.between(1, 2), teens = rng_.chance(300);
        else
            adults = 3;
        s.tipoCliente = group >= 0 ? "Gruppo" : children ? "Famiglia" : "Individuale";

        const bool italian = forceResident_ || rng_.chance(650);
        const int country = rng_.below(static_cast<int>(std::size(kCountries)));
        const int members = adults + teens + children;
        plan_.stays.push_back(s);
        const std::int32_t schedina = nextSchedina_++;
        int leaderIndex = -1;
        for (int m = 0; m < members; ++m) {
            const Age age = m < adults ? Age::Adult : m < adults + teens ? Age::Teen : Age::Child;
            const Guest* family = leaderIndex >= 0 ? &plan_.guests[leaderIndex] : nullptr;
            // Some couples come from different countries; the family stays together.
            const bool own = m == 0 || (age == Age::Adult && rng_.chance(100));
            Guest& g =
                newGuest(index, day, age, family, own && m > 0 ? !italian : italian, country);
            g.schedina = schedina;
            g.componente = m + 1;
            if (m == 0) leaderIndex = static_cast<int>(plan_.guests.size()) - 1;
            plan_.stays[index].guests.push_back(static_cast<int>(plan_.guests.size()) - 1);
        }
        Stay& stay = plan_.stays[index];
        Guest& leader = plan_.guests[leaderIndex];
        leader.isCapoFamiglia = true;
        leader.email = lowerAscii(leader.name.substr(leader.name.find(' ') + 1)) + "." +
                       lowerAscii(leader.name.substr(0, leader.name.find(' '))) + "@example.com";
        for (std::size_t i = 0; i < stay.guests.size(); ++i) {
            Guest& g = plan_.guests[stay.guests[i]];
            g.capoCamera = leader.np;
            g.arrival = stay.arrival;
            g.plannedDeparture = stay.plannedDeparture;
            g.departure = stay.departure;
            // A member may join the next day or leave a day early.
            if (i > 0 && stay.departure - stay.arrival >= 3 && rng_.chance(30)) {
                if (rng_.chance(500))
                    g.arrival += 1;
                else
                    g.departure -= 1;
            }
        }
        if (group >= 0) {
            Group& gr = plan_.groups[group];
            if (gr.stays.empty()) {
                gr.leader = leaderIndex;
                leader.isCapoGruppo = true;
            }
            gr.stays.push_back(index);
            const std::int32_t capo = plan_.guests[gr.leader].np;
            for (int gi : stay.guests) plan_.guests[gi].capoGruppo = capo;
        }
        for (int gi : stay.guests) {
            Guest& g = plan_.guests[gi];
            g.departed = g.departure <= plan_.lastDay;
            g.archived = g.departed && g.departure < plan_.archiveBefore;
            if (!g.departed) g.departure = g.plannedDeparture;
        }
        freeFrom_[room] = std::max(stay.departure, stay.arrival + 1);
        postCharges(index);
    }

    void charge(int day, std::int32_t cliente, int voce, int qty, Currency importo, int stay) {
        plan_.charges.push_back({day, cliente, voce, qty, importo, stay});
    }

    // Every charge of the stay, night by night; nights after the data's last
    // day are kept too (a prepaid stay is billed for them) but never posted.
    void postCharges(int index) {
        Stay& s = plan_.stays[index];
        s.firstCharge = plan_.charges.size();
        const Room& room = plan_.rooms[s.room];
        const std::int32_t leader = plan_.guests[s.guests.front()].np;
        const bool parking = rng_.chance(200);
        if (s.arrival == s.departure) {
            charge(s.arrival, leader, kPernottamento, 1, Currency::whole(room.basePrice / 2),
                   index);
        }
        for (int day = s.arrival; day < s.departure; ++day) {
            const int month = civil(day).m - 1;
            const int price = (room.basePrice * kPriceFactor[month] / 100) / 5 * 5;
            int present = 0;
            int perItem[4] = {0, 0, 0, 0};
            for (int gi : s.guests) {
                const Guest& g = plan_.guests[gi];
                if (g.arrival <= day && day < g.departure) ++present;
            }
            if (present == 0) continue;
            charge(day, leader, kPernottamento, 1, Currency::whole(price), index);
            if (s.offerta != "RO") {
                charge(day, leader, kColazione, present, Currency::whole(10) * present, index);
            }
            if (s.offerta == "HB") {
                charge(day, leader, kRistorante, present, Currency::whole(25) * present, index);
            }
            if (rng_.chance(250)) {
                const int q = rng_.between(1, 3);
                charge(day, leader, kBar, q, Currency::fromUnits(35000) * q, index);
            }
            if (rng_.chance(80)) charge(day, leader, kMinibar, 1, Currency::whole(4), index);
            if (parking) charge(day, leader, kParcheggio, 1, Currency::whole(15), index);

            // The tourist tax: one line per guest and night, or one line per
            // item for the whole room on the room's leader.
            for (int gi : s.guests) {
                const Guest& g = plan_.guests[gi];
                if (!(g.arrival <= day && day < g.departure)) continue;
                const int night = day - g.arrival + 1;
                int voce = g.codIds;
                if (voce == kImpostaStandard && night > kGGMax) voce = kImpostaOltre;
                // Front-desk slips: a night nobody charged.
                if (!s.prepaid && rng_.chance(3)) continue;
                if (s.combinedTax) {
                    ++perItem[voce - kImpostaStandard];
                } else {
                    charge(day, g.np, voce, 1, voce == kImpostaStandard ? tassa(day) : Currency(),
                           index);
                }
            }
            for (int k = 0; k < 4; ++k) {
                if (perItem[k] == 0) continue;
                const int voce = kImpostaStandard + k;
                charge(day, leader, voce, perItem[k],
                       voce == kImpostaStandard ? tassa(day) * perItem[k] : Currency(), index);
            }
        }
        s.endCharge = plan_.charges.size();
    }

    Rng rng_;
    Plan plan_;
    std::vector<int> freeFrom_;
    std::int32_t nextNp_ = 10001;
    std::int32_t nextSchedina_ = 1;
    std::int32_t nextBooking_ = 1;
    bool prepaidSeen_ = false;
    bool forceStar_ = false, forceCaret_ = false, forceResident_ = false;
};

}  // namespace

Currency tassa(int day) {
    const int year = civil(day).y;
    if (year <= 2022) return Currency::whole(2);
    if (year <= 2024) return Currency::fromUnits(25000);
    return Currency::whole(3);
}

const std::vector<Agency>& agencies() {
    return kAgencies;
}

const std::vector<VoceInfo>& voci() {
    static const std::vector<VoceInfo> list = {
        {kPernottamento, "Pernottamento", "CAM", Currency::whole(90), 10},
        {kColazione, "Colazione", "CAM", Currency::whole(10), 10},
        {kBar, "Bar", "BAR", Currency::fromUnits(35000), 22},
        {kRistorante, "Ristorante", "RIS", Currency::whole(25), 10},
        {kMinibar, "Minibar", "BAR", Currency::whole(4), 22},
        {kParcheggio, "Parcheggio", "SERV", Currency::whole(15), 22},
        {kImpostaStandard, "Imposta di soggiorno", "IDS", Currency::whole(3), 0},
        {kImpostaMinori, "Imposta esenti minori", "IDS", Currency(), 0},
        {kImpostaResidenti, "Imposta residenti esenti", "IDS", Currency(), 0},
        {kImpostaOltre, "Imposta oltre 7 notti", "IDS", Currency(), 0},
    };
    return list;
}

const VoceInfo& voce(int code) {
    for (const auto& v : voci()) {
        if (v.code == code) return v;
    }
    return voci().front();
}

Plan planHotel(Size size, std::uint64_t seed) {
    return Planner(size, seed).run();
}

Profile profile(Size size) {
    const Span span = spanOf(size);
    return {span.rooms, deskDate(span.firstDay), deskDate(span.lastDay),
            deskDate(span.archiveBefore)};
}

}  // namespace corvex::demo
