#include "desk/server_desk.h"

#include <libpq-fe.h>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>

#include "data/pg/pg_reader.h"
#include "data/pg/property.h"
#include "dialogs/dialoghi.h"

namespace corvex::desk {

namespace {

const QString kUrl = QStringLiteral("server/url");
const QString kProprieta = QStringLiteral("server/proprieta");

QSettings& preferenze() {
    static QSettings s(QStringLiteral("corvex"), QStringLiteral("corvex"));
    return s;
}

// Whether the address holds a password (either form libpq takes); one it
// cannot read is left for the connection to refuse with its own cause.
bool carriesPassword(const std::string& url) {
    PQconninfoOption* options = PQconninfoParse(url.c_str(), nullptr);
    bool password = false;
    for (PQconninfoOption* o = options; o != nullptr && o->keyword != nullptr; ++o)
        if (std::string(o->keyword) == "password" && o->val != nullptr && *o->val != '\0')
            password = true;
    PQconninfoFree(options);
    return password;
}

}  // namespace

void ApplicaServer(QSettings& impostazioni) {
    if (auto env = db::serverFromEnvironment()) {
        db::chooseServer(env);
        return;
    }
    const std::string url = impostazioni.value(kUrl).toString().toStdString();
    const std::string proprieta = impostazioni.value(kProprieta).toString().toStdString();
    if (url.empty() || !ControllaServer(url, proprieta).empty())
        db::chooseServer(std::nullopt);
    else
        db::chooseServer(db::ServerChoice{url, proprieta, {}});
}

std::string ControllaServer(const std::string& url, const std::string& proprieta) {
    if (url.empty() && proprieta.empty()) return {};
    if (url.empty()) return "manca l'indirizzo del server";
    if (!pg::validPropertyName(proprieta))
        return "la proprietà \"" + proprieta +
               "\" non è un nome valido (una lettera minuscola, poi lettere minuscole, cifre o "
               "_, al massimo 31 caratteri)";
    if (carriesPassword(url))
        return "la password non va nell'indirizzo: scriverla nel file delle password "
               "(~/.pgpass o quello indicato da PGPASSFILE)";
    return {};
}

void ScegliServer(QWidget* parent) {
    ScegliServer(parent, preferenze());
}

void ScegliServer(QWidget* parent, QSettings& impostazioni) {
    QDialog finestra(parent);
    finestra.setWindowTitle(QStringLiteral("Server"));
    auto* layout = new QFormLayout(&finestra);
    auto* url = new QLineEdit(impostazioni.value(kUrl).toString(), &finestra);
    auto* proprieta = new QLineEdit(impostazioni.value(kProprieta).toString(), &finestra);
    url->setObjectName(QStringLiteral("serverUrl"));
    proprieta->setObjectName(QStringLiteral("serverProprieta"));
    url->setPlaceholderText(QStringLiteral("postgresql://utente@server/database"));
    layout->addRow(QStringLiteral("Indirizzo:"), url);
    layout->addRow(QStringLiteral("Proprietà:"), proprieta);
    layout->addRow(new QLabel(QStringLiteral("Vuoti: i report leggono la cartella dati.\nLa "
                                             "password va in ~/.pgpass (o PGPASSFILE)."),
                              &finestra));
    auto* pulsanti = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    layout->addRow(pulsanti);
    QObject::connect(pulsanti, &QDialogButtonBox::rejected, &finestra, &QDialog::reject);
    QObject::connect(pulsanti, &QDialogButtonBox::accepted, &finestra, [&] {
        const std::string u = url->text().trimmed().toStdString();
        const std::string p = proprieta->text().trimmed().toStdString();
        if (const std::string errore = ControllaServer(u, p); !errore.empty()) {
            qt::MostraMessaggio(errore, "Server");
            return;
        }
        impostazioni.setValue(kUrl, QString::fromStdString(u));
        impostazioni.setValue(kProprieta, QString::fromStdString(p));
        ApplicaServer(impostazioni);
        finestra.accept();
    });
    finestra.exec();
}

}  // namespace corvex::desk
