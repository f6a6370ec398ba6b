// The desk's "Server" choice: what may be kept, and its window.
#include "desk/server_desk.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>

#include "data/pg/pg_reader.h"
#include "dialogs/dialoghi.h"
#include "support/next_dialog.h"
#include "support/scoped_env.h"

namespace corvex::desk {
namespace {

TEST(SceltaServer, KeepsOnlyAUsableChoiceWithoutAPassword) {
    struct Row {
        const char* url;
        const char* proprieta;
        const char* says;  // "" when kept
    };
    const Row rows[] = {
        {"", "", ""},  // the data folder
        {"postgresql://corvex@db/alberghi", "mare", ""},
        {"host=db dbname=alberghi", "hotel_2", ""},
        {"", "mare", "manca l'indirizzo"},
        {"postgresql://corvex@db/alberghi", "", "non è un nome valido"},
        {"postgresql://corvex@db/alberghi", "Mare", "non è un nome valido"},
        {"postgresql://corvex:segreta@db/alberghi", "mare", "la password non va"},
        {"host=db password=segreta", "mare", "la password non va"},
    };
    for (const Row& r : rows) {
        const std::string said = ControllaServer(r.url, r.proprieta);
        if (*r.says == '\0')
            EXPECT_EQ(said, "") << r.url;
        else
            EXPECT_NE(said.find(r.says), std::string::npos) << r.url << ": " << said;
    }
}

// A refused choice says why and leaves the window open; a confirmed one is
// kept and the runs read from it; Cancel keeps what was there.
TEST(SceltaServer, WindowKeepsAConfirmedChoiceOnly) {
    test::ScopedEnv db("CORVEX_DB", std::nullopt), property("CORVEX_PROPERTY", std::nullopt);
    QTemporaryDir dir;
    QSettings impostazioni(dir.filePath(QStringLiteral("corvex.conf")), QSettings::IniFormat);
    auto fill = [](QDialog* d, const char* url, const char* proprieta) {
        d->findChild<QLineEdit*>(QStringLiteral("serverUrl"))->setText(QString::fromUtf8(url));
        d->findChild<QLineEdit*>(QStringLiteral("serverProprieta"))
            ->setText(QString::fromUtf8(proprieta));
        d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    };
    QString said;
    test::onNextDialog<QDialog>([&](QDialog* d) {
        test::onNextDialog<qt::MsgBox_Form>([&, d](qt::MsgBox_Form* m) {
            said = m->testo()->toPlainText();
            m->ok()->click();
            EXPECT_TRUE(d->isVisible());
            fill(d, " postgresql://corvex@db/alberghi ", "mare");
        });
        fill(d, "postgresql://corvex:segreta@db/alberghi", "mare");
    });
    ScegliServer(nullptr, impostazioni);
    EXPECT_TRUE(said.contains(QStringLiteral("la password non va"))) << said.toStdString();
    EXPECT_EQ(impostazioni.value(QStringLiteral("server/url")).toString(),
              QStringLiteral("postgresql://corvex@db/alberghi"));
    ASSERT_TRUE(db::chosenServer().has_value());
    EXPECT_EQ(db::chosenServer()->property, "mare");

    test::onNextDialog<QDialog>([](QDialog* d) {
        d->findChild<QLineEdit*>(QStringLiteral("serverProprieta"))->setText(QStringLiteral("x"));
        d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
    });
    ScegliServer(nullptr, impostazioni);
    EXPECT_EQ(impostazioni.value(QStringLiteral("server/proprieta")).toString(),
              QStringLiteral("mare"));
    db::chooseServer(std::nullopt);
}

}  // namespace
}  // namespace corvex::desk
