// The settings editor's "Struttura" page: saved to IdSDichiarazioni.mdb,
// never into IdS.mdb; categories editable only for items Generale does not
// name.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <filesystem>

#include "settings/qt/isimpostazioni.h"
#include "settings/store.h"
#include "support/data_folder.h"

namespace corvex::qt {
namespace {

using test::TempDataFolder;

struct Editor {
    std::vector<std::string> messages;
    int asked = 0;
    ISImpostazioni window{nullptr, [this](const std::string& t) { messages.push_back(t); },
                          [this](const std::string&) {
                              ++asked;
                              return false;
                          }};
    int row(int code) const {
        for (int r = 0; r < window.categorie()->rowCount(); ++r)
            if (window.categorie()->item(r, 0)->text().toInt() == code) return r;
        return -1;
    }
    QComboBox* categoria(int code) const {
        return qobject_cast<QComboBox*>(window.categorie()->cellWidget(row(code), 2));
    }
    void scegli(int code, Categoria c, const char* motivo) {
        categoria(code)->setCurrentIndex(categoria(code)->findData(static_cast<int>(c)));
        window.categorie()->item(row(code), 3)->setText(QString::fromUtf8(motivo));
    }
};

std::optional<Categoria> categoriaSalvata(int code) {
    for (const auto& c : leggiCategorieVoci())
        if (c.codice == code) return c.categoria;
    return std::nullopt;
}

TEST(PaginaStruttura, SavesToItsOwnFileAndGivesCategoriesToUnnamedItems) {
    TempDataFolder dir;
    CaricaImpostazioni();
    impostazioni::Impostazioni s;
    s.generale.codiceIva = 4;
    s.generale.codStd = 50;
    s.voci = {{50, "Imposta soggiorno"}, {52, "Imposta convegni"}};
    impostazioni::salva(s);
    const std::string ids = dir.readFile("IdS.mdb");

    Editor e;
    EXPECT_EQ(e.window.pagine()->tabText(1), QStringLiteral("S&truttura"));
    ASSERT_EQ(e.window.categorie()->rowCount(), 2);
    // Item 50 is Generale's standard code: shown, not editable.
    EXPECT_EQ(e.categoria(50), nullptr);
    EXPECT_EQ(e.window.categorie()->item(e.row(50), 2)->text(), QStringLiteral("Piena"));
    EXPECT_FALSE(e.window.categorie()->item(e.row(50), 3)->flags() & Qt::ItemIsEditable);
    EXPECT_EQ(e.window.categorie()->item(e.row(52), 4)->text(), QStringLiteral("da indicare"));
    ASSERT_NE(e.categoria(52), nullptr);

    // Refused, nothing written.
    struct Case {
        const char* codiceFiscale;
        Categoria categoria;
        const char* motivo;
        const char* message;
    } cases[] = {
        {"RSSMRA80A01", Categoria::Piena, "",
         "«Codice fiscale del gestore»: \"RSSMRA80A01\" non è un codice fiscale (16 caratteri) "
         "né una partita IVA (11 cifre)"},
        {"", Categoria::Esente, " ",
         "La voce 52 - Imposta convegni è esente: indicare il motivo dell'esenzione."},
    };
    for (const auto& c : cases) {
        e.window.campoStruttura("codice-fiscale")->setText(QString::fromUtf8(c.codiceFiscale));
        e.scegli(52, c.categoria, c.motivo);
        EXPECT_FALSE(e.window.salva()) << c.message;
        EXPECT_EQ(e.messages.back(), c.message);
        EXPECT_EQ(e.window.pagine()->currentIndex(), 1);
    }
    EXPECT_FALSE(dir.exists(kFileDichiarazioni));

    // Only the page changed: IdS.mdb is not written.
    e.window.campoStruttura("comune")->setText(QStringLiteral("Forlì"));
    e.window.campoStruttura("codice-fiscale")->setText(QStringLiteral("rssmra80a01h501u"));
    e.scegli(52, Categoria::Esente, "convegni");
    EXPECT_TRUE(e.window.modificate());
    ASSERT_TRUE(e.window.salva());
    EXPECT_EQ(e.messages.back(), "Dati della struttura salvati in IdSDichiarazioni.mdb.");
    EXPECT_EQ(dir.readFile("IdS.mdb"), ids);
    EXPECT_FALSE(e.window.modificate());
    EXPECT_EQ(leggiStruttura().comune, "Forl\xEC");
    EXPECT_EQ(leggiStruttura().codiceFiscaleGestore, "RSSMRA80A01H501U");
    EXPECT_EQ(categoriaSalvata(52), Categoria::Esente);
    EXPECT_EQ(e.window.categorie()->item(e.row(52), 4)->text(),
              QStringLiteral("IdSDichiarazioni.mdb"));
    EXPECT_EQ(e.categoria(52)->findData(-1), -1);  // a category is changed, never taken away

    // Both pages changed: both files, one message.
    e.window.numero("NConto")->setValue(7);
    e.window.campoStruttura("tipologia")->setText(QStringLiteral("Albergo"));
    ASSERT_TRUE(e.window.salva());
    EXPECT_EQ(e.messages.back(),
              "Impostazioni salvate in IdS.mdb. Dati della struttura salvati in "
              "IdSDichiarazioni.mdb.");
    EXPECT_EQ(leggiStruttura().tipologia, "Albergo");
    EXPECT_EQ(impostazioni::carica().generale.nConto, 7);

    // Leaving with the page changed asks.
    e.window.campoStruttura("gestore")->setText(QStringLiteral("Mario Rossi"));
    e.window.reject();
    EXPECT_EQ(e.asked, 1);
}

TEST(PaginaStruttura, GenuineJetIdsIsLeftAsItIs) {
    const std::filesystem::path jet =
        std::filesystem::path(CORVEX_SHARED_DIR) / "fixtures/jet-hotel/jet/IdS.mdb";
    if (!std::filesystem::exists(jet)) GTEST_SKIP() << "Jet fixtures not found at " << jet;
    TempDataFolder dir;
    std::filesystem::copy_file(jet, "IdS.mdb");
    const std::string before = dir.readFile("IdS.mdb");
    Editor e;
    e.messages.clear();
    e.window.campoStruttura("struttura")->setText(QStringLiteral("Hotel Prova"));
    ASSERT_TRUE(e.window.salva());
    EXPECT_EQ(e.asked, 0);  // no offer to convert IdS.mdb
    EXPECT_EQ(dir.readFile("IdS.mdb"), before);
    EXPECT_FALSE(dir.exists("IdS.mdb.jet-backup"));
    EXPECT_EQ(leggiStruttura().nomeStruttura, "Hotel Prova");
}

}  // namespace
}  // namespace corvex::qt
