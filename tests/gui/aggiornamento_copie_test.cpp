// The desk's background refresh: the copies are made when it opens and again
// after a suite file changes; the status line is blank once all are ready.
#include <gtest/gtest.h>

#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QTest>
#include <chrono>

#include "data/jet/jet_support.h"
#include "desk/aggiornamento_copie.h"
#include "support/jet_edit.h"

namespace corvex::test::jet {
namespace {

std::vector<std::string> copies(const fs::path& cache) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(cache)) out.push_back(e.path().filename());
    return out;
}

TEST(AggiornamentoCopie, CopiesAreMadeAtTheStartAndAfterAChange) {
    const fs::path fixture = hotelFixtures() / "jet" / "Fatture.mdb";
    if (!fs::exists(fixture)) GTEST_SKIP() << "shared fixtures not found at " << sharedDir();
    std::optional<ScopedEnv> importer;
    useBuiltImporter(importer);
    ScratchDir data, cache;
    ScopedEnv cacheEnv("CORVEX_CACHE", cache.path().string());
    const fs::path file = data / "Fatture.mdb";
    fs::copy_file(fixture, file);
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::hours(1));

    QMainWindow window;
    auto* refresh =
        new desk::AggiornamentoCopie(&window, QString::fromStdString(data.path().string()), 100);
    EXPECT_EQ(window.menuBar()->cornerWidget(Qt::TopRightCorner), refresh->riga());
    refresh->attendi();
    const std::vector<std::string> first = copies(cache.path());
    ASSERT_EQ(first.size(), 1u);
    QTRY_VERIFY_WITH_TIMEOUT(refresh->riga()->text().isEmpty(), 2000);

    // The suite writes the file: a new copy replaces the old one.
    ASSERT_GT(changeOneLetter(file, [](long) { return true; }), 0);
    fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::minutes(30));
    QTRY_VERIFY_WITH_TIMEOUT(copies(cache.path()) != first && copies(cache.path()).size() == 1,
                             10000);
    refresh->attendi();
    QTRY_VERIFY_WITH_TIMEOUT(refresh->riga()->text().isEmpty(), 2000);
}

}  // namespace
}  // namespace corvex::test::jet
